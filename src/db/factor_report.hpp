// Reports of factors found by the search: the three factor files, the
// console echo and, with -u, removal of the n from its list.
#pragma once

#include <cstdint>

namespace quorvel {

/// New factors (the lines of fact.txt) reported since the process started.
/// Counted by output_factor, which only the driver's main thread calls;
/// never reset: the driver takes differences.
extern std::uint64_t new_factors_reported;

/// p divides ak[j]*2^n+1 (Proth) or -1 (Riesel); xmod is echoed with -v.
/// The factor is checked first: when p is no factor of the number, nothing is
/// written or struck and false_factor_error (db/false_factor.hpp) is thrown.
void output_factor(std::uint64_t p, std::uint32_t j, std::uint32_t n, std::uint64_t xmod);

}  // namespace quorvel
