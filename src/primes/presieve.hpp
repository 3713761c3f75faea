// Pre-sieving with the primes 3 to 37: a fresh stretch of the window is
// filled word by word from periodic bit patterns instead of marking the
// multiples of these primes one by one.
#pragma once

#include <array>
#include <cstdint>

namespace quorvel::primes_detail {

/// The primes handled by the patterns; sieving proper starts after them.
inline constexpr std::array<std::uint32_t, 11> presieve_primes = {3,  5,  7,  11, 13, 17,
                                                                  19, 23, 29, 31, 37};
inline constexpr std::uint32_t presieve_last_prime = presieve_primes.back();

/// Writes nwords 64-bit words: bit i of the stretch (word i >> 6, bit i & 63)
/// is set when one of 3, 5, ..., 37 divides the odd number 2(k0 + i) + 1.
/// The primes 3 to 37 themselves are marked too; the caller unmarks them in
/// a window that holds them.
void presieve_words(std::uint64_t* words, std::uint32_t nwords, std::uint64_t k0);

}  // namespace quorvel::primes_detail
