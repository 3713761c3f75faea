// Verification of a factor by plain arithmetic that shares nothing with the
// search: the power of 2 is formed by square and multiply with 128-bit
// products reduced by %, so every check is exact for any 64-bit p. It costs
// one power (at most 64 squarings) per factor, which is nothing beside the
// search that found it.
//
// A factor is a p > 1 that divides the number and is not the number itself:
// a prime is never struck by itself. Every factor the program reports or acts
// on passes is_factor_k2n or is_factor_near_mersenne first. The header needs
// nothing but <cstdint>, so every per-prime routine can call it.
#pragma once

#include <cstdint>

namespace quorvel {

/// True when p > 1 divides k*2^n + 1 (sign > 0) or k*2^n - 1 (sign <= 0).
bool divides_k2n(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign);

/// True when k*2^n + 1 (sign > 0) or k*2^n - 1 (sign <= 0) equals p.
bool k2n_equals(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign);

/// p is a proper factor of k*2^n +- 1: it divides the number and is not the
/// number itself.
bool is_factor_k2n(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign);

/// True when b < a and p > 1 divides 2^a - 2^b + 1.
bool divides_near_mersenne(std::uint64_t p, std::uint64_t a, std::uint64_t b);

/// True when b < a and 2^a - 2^b + 1 equals p.
bool near_mersenne_equals(std::uint64_t p, std::uint64_t a, std::uint64_t b);

/// p is a proper factor of 2^a - 2^b + 1 (b < a).
bool is_factor_near_mersenne(std::uint64_t p, std::uint64_t a, std::uint64_t b);

}  // namespace quorvel
