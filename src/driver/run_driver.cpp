// Order of a run: banner; command line and its checks; file names and
// candidate-file detection; the first range; priority and mode lines;
// start-up; then ranges until the range queue is empty (or, with -w, for
// ever). Nothing before the settlement of the first range writes a file.
// With -a the run applies its factor files instead and ends.
//
// A factor that fails its check stops the run: the report has written and
// struck nothing for it, and every earlier prime is fully handled, so a
// progress line just below that prime lets a resumed run start with it.
//
// A range stopped by -x ends the run: the ranges in the queue lie deeper,
// where a factor costs even more, so none is taken (also with -w).
#include "driver/run_driver.hpp"

#include <cstdint>

#include "db/false_factor.hpp"
#include "driver/apply_factors.hpp"
#include "driver/command_line.hpp"
#include "driver/console_texts.hpp"
#include "driver/file_names.hpp"
#include "driver/next_range.hpp"
#include "driver/progress_tracker.hpp"
#include "driver/resume_factors.hpp"
#include "driver/run_range.hpp"
#include "driver/settle_range.hpp"
#include "driver/start_up.hpp"
#include "driver/status_file.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

int stop_on_false_factor(const false_factor_error& e, std::ostream& out) {
  const std::uint64_t p = e.p();
  out << "Error: the check of the factor " << p << " | " << e.number()
      << " failed; it was not written. Stopped";
  if (!zelstatus_dat_filename.empty()) {
    append_status_line(zelstatus_dat_filename, "pmin=" + std::to_string(p - 1));
    out << " with progress saved before p=" << p;
  }
  out << "." << std::endl;
  return 1;
}

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
  if (!opt.apply_files.empty()) return apply_factor_files(opt, out);
  if (!settle_first_range(opt, in, out)) return 1;
  set_process_priority(opt.priority);
  print_mode_lines(opt, out);
  if (!start_up(opt, out)) return 1;
  if (!strike_resumed_range_factors(opt, out)) return 1;

  progress_tracker progress(out, platform, opt.stop_seconds);
  try {
    do {
      if (!run_range(opt, out, progress)) return 1;
      if (progress.stopped()) {
        out << std::endl
            << "Range stopped by -x: no new range is taken from " << nextrange_txt_filename
            << ". Exiting." << std::endl;
        return 0;
      }
    } while (take_next_range(opt, out, platform.sleep_seconds));
  } catch (const false_factor_error& e) {
    return stop_on_false_factor(e, out);
  }
  return 0;
}

}  // namespace quorvel
