// Batch kernels modulo a prime p (the state `m` of set_prime_modulus): many
// independent powers, and geometric sequences, the hot loops of the searches.
// Each kernel has a portable scalar version and, where it pays, an AVX2+FMA
// version; the best one the processor supports is chosen once at start-up,
// and every version gives identical results (all are exact). Every kernel
// is exact for every odd p below 2^62; within a version, the size of p picks
// the kernel family (below).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "quorvel/arith_state.hpp"

namespace quorvel {

/// The instruction-set versions of the batch kernels.
enum class arith_variant { scalar, avx2 };

/// The kernel families by the size of p. The AVX2 kernels compute on
/// doubles: with "lazy" residues (|r| < p) below fp_lazy_limit, with
/// "balanced" ones (|r| <= p/2 and a little) up to fp_balanced_limit; at and
/// above it (up to 2^62) every kernel runs on the 64-bit integer ones
/// (Montgomery products with 128-bit products). In powmod_lanes each group
/// of lanes takes the family of its largest prime.
inline constexpr std::uint64_t fp_lazy_limit = std::uint64_t{1} << 50;
inline constexpr std::uint64_t fp_balanced_limit = std::uint64_t{3} << 51;

/// The version in use (the best supported one unless a test forced another).
arith_variant current_arith_variant();
/// Whether this processor can run `v`.
bool arith_variant_supported(arith_variant v);
/// Forces version `v` (for tests and benchmarks); false, and no change, when
/// the processor cannot run it.
bool set_arith_variant(arith_variant v);
/// Short name of the version in use: "scalar" or "AVX2".
const char* arith_variant_name();

/// out[i] = bases[i]^exps[i] mod p for i < n; bases below p, exponents any
/// 64-bit value (0 gives 1).
void powmod_many(const arith_state_t& m, const std::uint64_t* bases, const std::uint64_t* exps,
                 std::uint64_t* out, std::size_t n);

/// out[i] = 2^exps[i] mod p for i < n, exponents any 64-bit value.
void pow2mod_many(const arith_state_t& m, const std::uint64_t* exps, std::uint64_t* out,
                  std::size_t n);

/// out[i] = bases[i]^exps[i] mod p_i for i < n, each element with its own
/// modulus: moduli[i] points at the state set_prime_modulus would make for
/// p_i. Bases below their modulus, exponents any
/// 64-bit value. Lets the powers of several primes run side by side; the
/// lockstep groups run as long as their longest exponent, so callers do well
/// to pass elements of similar exponent length next to each other.
void powmod_lanes(const std::uint64_t* bases, const std::uint64_t* exps,
                  const arith_state_t* const* moduli, std::uint64_t* out, std::size_t n);

/// out[i] = 2^-e mod primes[i], the e-th power of (p+1)/2, for i < count:
/// one exponent for many primes side by side, each lane with a modulus made
/// from its prime alone (no arith_state_t, no division instruction per
/// prime). Primes odd, 3 <= p < 2^63; any 64-bit e (0 gives 1). The vector
/// version handles primes below 2^50 and passes a group holding a larger
/// prime to the portable one, so every version is exact over the whole range.
void inverse_pow2_lanes(const std::uint64_t* primes, std::uint64_t e, std::uint64_t* out,
                        std::size_t count);

/// For i < count: flags[i] = 1 when some r_s = starts[i] * 2^-s mod
/// primes[i], 0 <= s < steps, lies within `bound` of 0 modulo primes[i]
/// (r_s <= bound or r_s >= primes[i] - bound), else 0. Primes odd, 3 <= p <
/// 2^63; starts below their prime; any bound (one of at least (p-1)/2 takes
/// in every residue). The sequences are scanned k steps at a time: a value
/// within 2^(k-1) * bound of 0 is the only one whose next k values can come
/// within bound of 0 (for 2^k * bound < p), so most of the chain is a jump
/// r * 2^-k per k steps, and only a block that passes that test is stepped
/// through one halving at a time.
void halving_near_zero_lanes(const std::uint64_t* primes, const std::uint64_t* starts,
                             std::size_t count, std::uint64_t steps, std::uint64_t bound,
                             std::uint8_t* flags);

/// The hash key of a residue x for tables of residues: lo32(x) * c1 +
/// hi32(x) * c2 modulo 2^32, with two odd constants. Its top bits pick a
/// bucket, its low 16 bits serve as a tag. Every bit of x moves the top
/// bits; the powers 2^a below p, which differ in one bit, spread over the
/// buckets.
inline std::uint32_t residue_key(std::uint64_t x) {
  return static_cast<std::uint32_t>(x) * 0x9E3779B1u +
         static_cast<std::uint32_t>(x >> 32) * 0x85EBCA77u;
}

/// The hash keys of the powers of 2 modulo four primes side by side (odd,
/// 3 <= p < 2^63); lane i's keys lie at index i * stride + a, for a = 0 ..
/// length | 3 (the last of the block of four that holds length; stride above
/// that):
///   keys[i * stride + a] = residue_key(2^a mod primes[i]),
///   keys_plus[i * stride + a] = residue_key((2^a mod primes[i]) + 1);
/// and orders[i] = the least a, 1 <= a <= length, with 2^a == 1 (mod
/// primes[i]), or 0 when there is none.
void pow2_keys_4lanes(const std::uint64_t* primes, std::uint32_t length, std::size_t stride,
                      std::uint32_t* keys, std::uint32_t* keys_plus, std::uint32_t* orders);

/// out[i] = start * ratio^i mod p for i < count; start and ratio below p.
void geometric_mod_p(const arith_state_t& m, std::uint64_t start, std::uint64_t ratio,
                     std::size_t count, std::uint64_t* out);

/// The first powers of a ratio, made once and shared by sequences that
/// differ only in their start: each term of such a sequence is then an
/// independent product instead of a link in a chain.
struct geometric_powers_t {
  static constexpr std::size_t span = 24;
  std::array<std::uint64_t, span> pow{};  ///< ratio^0 .. ratio^(span-1)
  std::uint64_t next = 1;                 ///< ratio^span
};

/// The powers of `ratio` (below p) that sequences of at most `count` terms
/// read: pow[0 .. min(count, span)), and next when count > span.
void geometric_powers(const arith_state_t& m, std::uint64_t ratio, std::size_t count,
                      geometric_powers_t& powers);

/// out[i] = start * ratio^i mod p for i < count, from the powers of ratio
/// made for at least count terms; start below p. Writes out[0 .. count
/// rounded up to a multiple of 4): the entries past count hold unspecified
/// values.
void geometric_scaled(const arith_state_t& m, std::uint64_t start, const geometric_powers_t& powers,
                      std::size_t count, std::uint64_t* out);

}  // namespace quorvel
