// Order of a run: banner; command line and its checks; file names and
// candidate-file detection; the first range; priority and mode lines;
// start-up; then ranges until the range queue is empty (or, with -w, for
// ever). Nothing before the settlement of the first range writes a file.
// A range stopped by -x ends the run: the ranges in the queue lie deeper,
// where a factor costs even more, so none is taken (also with -w).
#include "driver/run_driver.hpp"

#include "driver/command_line.hpp"
#include "driver/console_texts.hpp"
#include "driver/next_range.hpp"
#include "driver/progress_tracker.hpp"
#include "driver/file_names.hpp"
#include "driver/run_range.hpp"
#include "driver/settle_range.hpp"
#include "driver/start_up.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

int run_driver(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               const platform_hooks& platform) {
  print_banner(out);
  options_t opt;
  switch (parse_command_line(args, opt, out)) {
    case step_result::stop_ok:
      return 0;
    case step_result::stop_error:
      return 1;
    case step_result::go_on:
      break;
  }
  if (!check_mode_parameters(out)) return 1;
  name_files(opt, platform.resolve_file_name);
  if (!settle_first_range(opt, in, out)) return 1;
  set_process_priority(opt.priority);
  print_mode_lines(opt, out);
  if (!start_up(opt, out)) return 1;

  progress_tracker progress(out, platform, opt.stop_seconds);
  do {
    if (!run_range(opt, out, progress)) return 1;
    if (progress.stopped()) {
      out << std::endl
          << "Range stopped by -x: no new range is taken from " << nextrange_txt_filename
          << ". Exiting." << std::endl;
      return 0;
    }
  } while (take_next_range(opt, out, platform.sleep_seconds));
  return 0;
}

}  // namespace quorvel
