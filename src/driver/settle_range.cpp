// A range on the command line always starts afresh: an existing status file
// (finished or not) is cleared after a question, or at once with -f. Without
// one, an unfinished status file is continued without asking from its last
// progress line (the range check then makes that prime even, so the saved
// prime itself is handled once more); a finished one is cleared after the
// question and a new range is asked for; with no status file at all the
// range is asked for. The start lines record the range before it is checked.
// A continued range keeps note of the pmin it began from, so that with -u
// the factors already found in it can be struck before it goes on, and so
// that the part done of the progress line counts over the whole range.
#include "driver/settle_range.hpp"

#include "driver/prompts.hpp"
#include "driver/status_file.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

bool settle_first_range(options_t& opt, std::istream& in, std::ostream& out) {
  const std::string& status = zelstatus_dat_filename;

  if (opt.range_given) {
    if (read_status_file(status)) {
      if (!opt.force && !ask_clear_zelstatus_dat(in, out)) return false;
      remove_status_file(status);
    }
    write_start_lines(status, opt.pmin, opt.pmax);
    return true;
  }

  const auto contents = read_status_file(status);
  if (!contents) {
    if (!ask_pmin_pmax(in, out, opt.pmin, opt.pmax)) return false;
    write_start_lines(status, opt.pmin, opt.pmax);
    return true;
  }
  if (contents->done) {
    out << "Found " << status << " with completed work." << std::endl;
    if (!opt.force && !ask_clear_zelstatus_dat(in, out)) return false;
    remove_status_file(status);
    if (!ask_pmin_pmax(in, out, opt.pmin, opt.pmax)) return false;
    write_start_lines(status, opt.pmin, opt.pmax);
    return true;
  }
  opt.pmin = contents->pmin;
  opt.pmax = contents->pmax;
  opt.resumed = true;
  opt.range_start = contents->range_start;
  if (opt.pmin < opt.pmax) {
    out << "Found " << status << " with unfinished work. Continuing from last save point."
        << std::endl;
  }
  return true;
}

}  // namespace quorvel
