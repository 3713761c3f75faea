// output_factor: sorts a factor found by the search into one of three
// classes by its n (in the k's n list: new; else within nlow ... nhigh: a
// duplicate; else outside the range), appends its line to the factor file of
// the class and echoes it with the class on standard output. The factor file
// is opened for appending and closed again for every line, so a line is in
// the file before output_factor returns and a killed run loses none. With -u
// a new factor's n leaves the list (its first occurrence; the list stays
// ascending), so a later factor of the same candidate is a duplicate.
//
// Before any of this the factor is checked by arithmetic of its own
// (db/factor_check.hpp); one that fails is neither written nor struck: the
// report throws false_factor_error and the run driver stops the run.
#include "db/factor_report.hpp"

#include <algorithm>
#include <cstdio>
#include <string>

#include "db/console_line.hpp"
#include "db/factor_check.hpp"
#include "db/factor_line.hpp"
#include "db/false_factor.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

std::uint64_t new_factors_reported = 0;

void output_factor(std::uint64_t p, std::uint32_t j, std::uint32_t n, std::uint64_t xmod) {
  const int sign = mode == mode_proth ? +1 : -1;
  const auto k = static_cast<std::uint64_t>(static_cast<std::uint32_t>(ak[j]));
  if (!is_factor_k2n(p, k, n, sign)) throw false_factor_error(p, number_text(k, n, sign));

  auto& list = aunfacset[j];
  const auto at = std::lower_bound(list.begin(), list.end(), n);
  const bool in_list = at != list.end() && *at == n;
  const bool outside = n < nlow || n > nhigh;
  if (!in_list && !outputdupes) return;
  if (in_list) ++new_factors_reported;

  const std::string line = std::to_string(p) + " | " + std::to_string(ak[j]) + "*2^" +
                           std::to_string(n) + (sign > 0 ? "+1" : "-1");
  const std::string& file = in_list   ? fact_txt_filename
                            : outside ? factrange_txt_filename
                                      : factexcl_txt_filename;
  if (std::FILE* f = std::fopen(file.c_str(), "a")) {
    std::fputs((line + "\n").c_str(), f);
    std::fclose(f);
  }

  std::string shown = line;
  if (verbose >= 1) {
    shown += "\t(xmod " + std::to_string(xmod);
    if (outside)
      shown += ", outside range";
    else if (!in_list)
      shown += ", duplicate";
    shown += ")";
  } else if (outside) {
    shown += "\t(outside range)";
  } else if (!in_list) {
    shown += "\t(duplicate)";
  }
  print_line(shown);

  if (savezeldat && in_list) list.erase(at);
}

}  // namespace quorvel
