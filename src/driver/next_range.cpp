// Polling the range queue between ranges.
#include "driver/next_range.hpp"

#include "driver/range_file.hpp"
#include "driver/status_file.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

bool take_next_range(options_t& opt, std::ostream& out, const sleep_function& sleep_seconds) {
  const std::string& queue = nextrange_txt_filename;
  while (!get_next_range(queue, opt.pmin, opt.pmax)) {
    out << std::endl << "No new range found in " << queue << ".";
    if (!opt.waitforrange) {
      out << " Exiting." << std::endl;
      return false;
    }
    out << " Waiting 5 mins..." << std::flush;
    sleep_seconds(range_poll_seconds);
  }
  out << std::endl
      << "Found a new range in " << queue << ". Starting work on that one." << std::endl;
  rewrite_status_file(zelstatus_dat_filename, opt.pmin, opt.pmax);
  opt.resumed = false;
  opt.range_start = 0;
  return true;
}

}  // namespace quorvel
