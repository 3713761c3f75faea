// Primality of any 64-bit number, without a table: trial division by the
// primes up to 53, then the Baillie-PSW test, a strong probable-prime test to
// base 2 followed by a strong Lucas probable-prime test with Selfridge's
// parameters. No composite below 2^64 passes both (every base-2 strong
// pseudoprime below 2^64 is known and each fails the Lucas test), so the
// answer is exact for every 64-bit number.
//
// The prime stream uses it for the numbers a window sieved only with primes
// below its square root leaves standing; they have no prime factor up to the
// last sieving prime, so it skips the trial division.
#pragma once

#include <cstdint>

namespace quorvel {

/// Whether n is prime, for any n < 2^64.
bool is_prime_u64(std::uint64_t n);

/// The same for an odd n above 53 with no prime factor up to 53 (the trial
/// division left out).
bool is_prime_no_small_factor(std::uint64_t n);

namespace primes_detail {

/// n - 1 = d * 2^s, d odd: 2^d = 1 or 2^(d*2^r) = -1 (mod n) for some
/// r < s. For odd n > 2.
bool strong_probable_prime_base2(std::uint64_t n);

/// The strong Lucas test with P = 1, Q = (1 - D)/4 and D the first of 5,
/// -7, 9, -11, ... with Jacobi symbol (D/n) = -1: with n + 1 = d * 2^s, d
/// odd, U_d = 0 or V_(d*2^r) = 0 (mod n) for some r < s. False for a
/// perfect square (no such D exists) and when some D shares a factor with
/// n. For odd n > 2 with n < 2^64 - 1.
bool strong_lucas_probable_prime(std::uint64_t n);

}  // namespace primes_detail

}  // namespace quorvel
