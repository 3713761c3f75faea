// Reports of factors found by the search: the three factor files, the
// console echo and, with -u, removal of the n from its list.
#pragma once

#include <cstdint>

namespace quorvel {

/// p divides ak[j]*2^n+1 (Proth) or -1 (Riesel); xmod is echoed with -v.
/// The factor is checked first: when p is no factor of the number, nothing is
/// written or struck and false_factor_error (db/false_factor.hpp) is thrown.
void output_factor(std::uint64_t p, std::uint32_t j, std::uint32_t n, std::uint64_t xmod);

}  // namespace quorvel
