// Applying factor files (-a): the factors that other sieves, or earlier runs,
// found are checked and struck from the candidate file or the k-range files,
// which are then rewritten whole; nothing is sieved.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "db/strike_result.hpp"
#include "driver/options.hpp"

namespace quorvel {

/// What became of the lines of the factor files.
struct apply_counts {
  std::uint64_t applied = 0;
  std::uint64_t already_gone = 0;
  std::uint64_t outside = 0;
  std::uint64_t wrong_form = 0;
  std::uint64_t false_factors = 0;
  std::uint64_t malformed = 0;

  void add(strike_result r);
};

/// "Factors: A applied, G already gone, O outside the file's range, W wrong
/// form, F false, M malformed."
std::string apply_summary(const apply_counts& c);

/// Applies every file of opt.apply_files (after the command line and the
/// naming of the files) in Proth, Riesel, k-range and k-range twin mode and
/// returns the exit status. A false factor or a malformed line anywhere in
/// the files is reported with its file name and line number and leaves every
/// file unchanged (status 1); so do a file that cannot be opened, a p range
/// on the command line and near-Mersenne mode, each with one line.
int apply_factor_files(const options_t& opt, std::ostream& out);

}  // namespace quorvel
