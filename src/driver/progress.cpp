// Progress lines. They are formed only at saves, never per prime.
#include "driver/progress.hpp"

#include "driver/status_file.hpp"
#include "krange/krange.hpp"
#include "nearmersenne/nearmersenne.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

progress_text format_progress(std::uint64_t p, std::uint32_t rate, const std::string& suffix) {
  const std::string ps = std::to_string(p);
  const std::string rs = std::to_string(rate);
  return {"p = " + ps + " @ " + (rate != 0 ? rs : "???") + "kp/s" + suffix,
          "pmin=" + ps + " @ " + rs + " kp/s" + suffix};
}

std::string numbers_left_suffix() {
  switch (mode) {
    case mode_krange:
    case mode_krangetwin:
      return ". " + std::to_string(krange_numbers_left()) + " numbers left.";
    case mode_nearmersenne:
      return ". " + std::to_string(nm_candidates) + " numbers left.";
    default:
      return "";
  }
}

void progress_save(std::uint64_t p, std::ostream& out) {
  const progress_text text = format_progress(p, interval_rate, numbers_left_suffix());
  out << text.console << std::endl;
  append_status_line(zelstatus_dat_filename, text.status);
}

}  // namespace quorvel
