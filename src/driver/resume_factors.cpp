// The sieved part of a resumed range ends at the last progress save: the run
// goes on from there (made even), handling that prime again, so the factors
// of later primes are found again and only those up to it are taken from the
// factor file. Lines of other ranges, of the other sign and of k not in the
// file are passed over without a word; a factor file shared with other runs
// (another mode, another candidate file) is therefore harmless. Each factor
// of the range is checked before it strikes anything.
#include "driver/resume_factors.hpp"

#include <cstdint>
#include <string>

#include "db/factor_check.hpp"
#include "db/factor_file.hpp"
#include "db/factor_strike.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

bool strike_resumed_range_factors(const options_t& opt, std::ostream& out) {
  if (!opt.resumed || !savezeldat || (mode != mode_proth && mode != mode_riesel)) return true;
  const std::uint64_t lo = opt.range_start & ~std::uint64_t{1};
  const std::uint64_t hi = opt.pmin & ~std::uint64_t{1};
  if (hi <= lo || opt.pmin >= opt.pmax) return true;

  const std::string& file = fact_txt_filename;
  std::uint64_t struck = 0, false_factors = 0;
  for_each_factor_line(file, [&](std::uint64_t number, line_status status, const factor_line_t& f,
                                 std::string_view text) {
    const std::string where = file + ":" + std::to_string(number) + ": ";
    if (status == line_status::malformed) {
      out << where << "malformed line passed over: " << line_for_message(text) << std::endl;
      return;
    }
    if (f.p <= lo || f.p > hi) return;
    if (!is_factor_k2n(f.p, f.k, f.n, f.sign)) {
      ++false_factors;
      out << where << "false factor: " << factor_text(f) << std::endl;
      return;
    }
    if (strike_from_ktable(f) == strike_result::struck) ++struck;
  });
  if (false_factors != 0) {
    out << "Stopped: " << file << " holds false factors of this range; remove them and start again."
        << std::endl;
    return false;
  }
  out << "Applied the factors of " << file << " with " << lo << " < p <= " << hi << ": " << struck
      << " candidates struck." << std::endl;
  return true;
}

}  // namespace quorvel
