// Discrete logarithms to base 2 modulo a prime p < 2^32, for many targets at
// once: the multiplicative order of 2 from the factorisation of p-1, then
// Pohlig-Hellman over the prime powers q^e of the order, each digit found by
// baby-step giant-step in the subgroup of order q with one table of baby
// steps shared by every target (and every digit) of that q.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "newdat/mont32.hpp"

namespace quorvel {

/// A prime q and its exponent e in a factorisation.
struct prime_power_t {
  std::uint32_t q;
  std::uint32_t e;
};

/// Result of pow2_dlog_batch for a target that is not a power of 2.
inline constexpr std::uint32_t no_dlog = 0xFFFFFFFFu;

/// Factorisation of x >= 1 by trial division with the primes of `base` (in
/// increasing order, holding every prime up to sqrt(x)); q ascending.
void factor_u32(std::uint32_t x, const std::vector<std::uint32_t>& base,
                std::vector<prime_power_t>& out);

/// The order of 2 modulo m.p, given the factorisation of m.p - 1; fills
/// `ord_factors` with the factorisation of the order.
std::uint32_t order_of_2(const mont32_t& m, const std::vector<prime_power_t>& pminus1_factors,
                         std::vector<prime_power_t>& ord_factors);

/// Reusable buffers of pow2_dlog_batch (the baby-step hash table and the
/// per-target work arrays), so that no prime allocates.
struct dlog_scratch_t {
  std::vector<std::uint32_t> keys;
  std::vector<std::uint32_t> vals;
  std::vector<std::uint32_t> active;
  std::vector<std::uint32_t> sub;
};

/// For i < count: out[i] = the s in [0, ord) with 2^s == targets[i] (targets
/// are Montgomery forms of nonzero residues), or no_dlog when there is none.
/// `ord` is the order of 2 and `ord_factors` its factorisation.
void pow2_dlog_batch(const mont32_t& m, std::uint32_t ord,
                     const std::vector<prime_power_t>& ord_factors, const std::uint32_t* targets,
                     std::size_t count, std::uint32_t* out, dlog_scratch_t& scratch);

}  // namespace quorvel
