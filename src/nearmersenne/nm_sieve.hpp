// Internals of the near-Mersenne elimination that the tests look at: the
// progress counter and the first row sieved for a prime.
#pragma once

#include <cstdint>

namespace quorvel::nm {

/// Calls of nm_do_p since the last "trying p: " line (0 .. 9), counted over
/// the whole process; tests set it to start a known phase.
extern std::uint32_t cnt;

/// The smallest a whose row is sieved with p (ignoring nm_alow): a <= 50
/// with p < 2^(a-2), or a > 50 with p < 2^(a-1) (every a > 50 for p below
/// 2^50). Every N of such a row exceeds p.
std::uint32_t first_sieved_row(std::uint64_t p);

}  // namespace quorvel::nm
