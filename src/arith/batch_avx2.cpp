// The AVX2+FMA batch kernels: four residues per 256-bit vector, held as
// integer-valued doubles, multiplied exactly with fused multiply-add.
//
// Product of x and y modulo p (p < 2^50) for integer doubles |x|, |y| < p:
//   h = fl(x*y);  l = fma(x, y, -h) = x*y - h exactly (FMA);
//   q = round-to-nearest(fl(h * fl(1/p)));
//   r = fma(-q, p, h) + l.
// The estimate carries three roundings of relative error at most 2^-53 on
// a quotient |x*y/p| < p < 2^50, so it is within ((1 + 2^-53)^3 - 1) * 2^50
// < 0.376 of x*y/p and the rounded q within 0.876: the true x*y - q*p is
// below 0.876p in absolute value. h - q*p is an integer below 2^46 + p < 2^53 in absolute
// value (h differs from x*y by half an ulp of a value below 2^100), so the
// second FMA is exact, and so is the final sum, an integer below p. The
// result is therefore exactly x*y - q*p with |r| < p: a "lazy" residue that
// feeds the next product unchanged; stored results get +p when negative.
// With a fixed multiplier b the estimate is fl(x * fl(b * fl(1/p))), again
// three roundings, and it does not wait for h.
//
// From 2^50 to 3*2^51 (p still exact as a double) the lazy bound no longer
// closes, and the kernels keep "balanced" residues instead: every operand,
// loaded or computed, is brought to |x| <= (1/2 + 2^-51) p by one more
// step r - p * round(fl(r * fl(1/p))) (exact: an integer below 2^53). With
// p = a * 2^52, a < 3/2, and balanced x, y: |x*y/p| <= p/4 (1 + 2^-49), so
// the estimate is within 3 * 2^-53 * p/4 (1 + 2^-49) < 0.375a + 2^-40 of it
// and q within 0.5 + 0.375a; |h| < 2^102.2 has an ulp of at most 2^50, so
// |l| <= 2^49; |h - q*p| <= (0.5 + 0.375a) a 2^52 + 2^49 < 2^53 for a < 3/2,
// so both the FMA and the sum are exact again, and |r| < 1.07p. The
// rebalancing estimate r/p is within 2^-51 of its true value (|r/p| < 2),
// so the chosen multiple leaves |r'| <= (1/2 + 2^-51) p.
#include "arith/batch_avx2.hpp"

#include <immintrin.h>

#include <algorithm>
#include <vector>

#include "arith/batch_scalar.hpp"
#include "arith/halving_scan.hpp"
#include "arith/mulmod.hpp"

namespace quorvel {

namespace {

/// 2^52 as a double; its bit pattern is 0x4330000000000000, and every
/// integer below 2^52 added to it lands in its mantissa.
constexpr double two52 = 4503599627370496.0;
constexpr std::int64_t two52_bits = 0x4330000000000000LL;

/// The modulus and its reciprocal in all four lanes.
struct vec_modulus {
  __m256d p;
  __m256d pinv;
};

__attribute__((target("avx2,fma"))) inline vec_modulus load_modulus(const arith_state_t& mod) {
  return {_mm256_set1_pd(mod.p_d), _mm256_set1_pd(mod.recip_pd)};
}

/// Four 64-bit integers below 2^52 as doubles (exact).
__attribute__((target("avx2,fma"))) inline __m256d load_as_double(const std::uint64_t* src) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
  const __m256i bits = _mm256_or_si256(v, _mm256_set1_epi64x(two52_bits));
  return _mm256_sub_pd(_mm256_castsi256_pd(bits), _mm256_set1_pd(two52));
}

/// Stores four lazy residues (|r| < p) as integers in [0, p): r + p when
/// negative, moved into the mantissa of 2^52 and read back as bits. The
/// blend reads the sign bit of r itself, which is sound because no result is
/// ever -0: an exact zero sum rounds to +0 unless both addends are -0, and
/// l = fma(x, y, -h) never has two -0 addends (x*y and -h differ in sign
/// when zero), so l is never -0, and neither is r = t + l.
__attribute__((target("avx2,fma"))) inline void store_reduced(std::uint64_t* dst, __m256d r,
                                                              const vec_modulus& m) {
  const __m256d offset =
      _mm256_blendv_pd(_mm256_set1_pd(two52), _mm256_add_pd(_mm256_set1_pd(two52), m.p), r);
  const __m256i bits = _mm256_castpd_si256(_mm256_add_pd(r, offset));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst),
                      _mm256_xor_si256(bits, _mm256_set1_epi64x(two52_bits)));
}

__attribute__((target("avx2,fma"))) inline __m256d round_nearest(__m256d x) {
  return _mm256_round_pd(x, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC);
}

/// r - p * round(r/p): a residue |r| < 2p brought to |r| <= (1/2 + 2^-51) p.
__attribute__((target("avx2,fma"))) inline __m256d rebalance(__m256d r, const vec_modulus& m) {
  return _mm256_fnmadd_pd(round_nearest(_mm256_mul_pd(r, m.pinv)), m.p, r);
}

/// Four 64-bit integers below 2^53 as doubles (exact): the low and the high
/// 32 bits go through the mantissa of 2^52 on their own, and the sum of
/// the two exact parts is exact.
__attribute__((target("avx2,fma"))) inline __m256d load_wide_as_double(const std::uint64_t* src) {
  const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src));
  const __m256i magic = _mm256_set1_epi64x(two52_bits);
  const __m256i low = _mm256_or_si256(_mm256_and_si256(v, _mm256_set1_epi64x(0xFFFFFFFF)), magic);
  const __m256i high = _mm256_or_si256(_mm256_srli_epi64(v, 32), magic);
  const __m256d two52d = _mm256_set1_pd(two52);
  const __m256d high_d = _mm256_sub_pd(_mm256_castsi256_pd(high), two52d);
  return _mm256_fmadd_pd(high_d, _mm256_set1_pd(4294967296.0),
                         _mm256_sub_pd(_mm256_castsi256_pd(low), two52d));
}

/// store_reduced for balanced residues, whose values reach up to 2^53: the
/// value v in [0, p) is split into h = floor(v / 2^32) and v - h 2^32 (both
/// exact, below 2^32), each read back through the mantissa of 2^52.
__attribute__((target("avx2,fma"))) inline void store_wide_reduced(std::uint64_t* dst, __m256d r,
                                                                   const vec_modulus& m) {
  const __m256d v = _mm256_add_pd(r, _mm256_blendv_pd(_mm256_setzero_pd(), m.p, r));
  const __m256d high = _mm256_floor_pd(_mm256_mul_pd(v, _mm256_set1_pd(1.0 / 4294967296.0)));
  const __m256d low = _mm256_fnmadd_pd(high, _mm256_set1_pd(4294967296.0), v);
  const __m256d two52d = _mm256_set1_pd(two52);
  const __m256i magic = _mm256_set1_epi64x(two52_bits);
  const __m256i hi = _mm256_xor_si256(_mm256_castpd_si256(_mm256_add_pd(high, two52d)), magic);
  const __m256i lo = _mm256_xor_si256(_mm256_castpd_si256(_mm256_add_pd(low, two52d)), magic);
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst),
                      _mm256_or_si256(_mm256_slli_epi64(hi, 32), lo));
}

/// The store of the kernels' residues, as they keep them.
template <bool Balanced>
__attribute__((target("avx2,fma"))) inline void store_reduced(std::uint64_t* dst, __m256d r,
                                                              const vec_modulus& m) {
  if constexpr (Balanced) {
    store_wide_reduced(dst, r, m);
  } else {
    store_reduced(dst, r, m);
  }
}

/// A residue as the kernels keep it: lazy as it is, balanced after one
/// rebalancing step.
template <bool Balanced>
__attribute__((target("avx2,fma"))) inline __m256d keep(__m256d r, const vec_modulus& m) {
  if constexpr (Balanced) {
    return rebalance(r, m);
  } else {
    return r;
  }
}

/// Four residues from [0, p) as the kernels keep them.
template <bool Balanced>
__attribute__((target("avx2,fma"))) inline __m256d load_residues(const std::uint64_t* src,
                                                                 const vec_modulus& m) {
  if constexpr (Balanced) {
    return rebalance(load_wide_as_double(src), m);
  } else {
    return load_as_double(src);
  }
}

/// x*y mod p, lazy (or balanced), for lazy (or balanced) residues x, y.
template <bool Balanced>
__attribute__((target("avx2,fma"))) inline __m256d mul_lazy(__m256d x, __m256d y,
                                                            const vec_modulus& m) {
  const __m256d h = _mm256_mul_pd(x, y);
  const __m256d l = _mm256_fmsub_pd(x, y, h);
  const __m256d q = round_nearest(_mm256_mul_pd(h, m.pinv));
  return keep<Balanced>(_mm256_add_pd(_mm256_fnmadd_pd(q, m.p, h), l), m);
}

/// x*b mod p, lazy (or balanced), for a fixed b with bp = fl(b * fl(1/p)).
template <bool Balanced>
__attribute__((target("avx2,fma"))) inline __m256d mul_fixed_lazy(__m256d x, __m256d b, __m256d bp,
                                                                  const vec_modulus& m) {
  const __m256d h = _mm256_mul_pd(x, b);
  const __m256d l = _mm256_fmsub_pd(x, b, h);
  const __m256d q = round_nearest(_mm256_mul_pd(x, bp));
  return keep<Balanced>(_mm256_add_pd(_mm256_fnmadd_pd(q, m.p, h), l), m);
}

/// A fixed multiplier b in all four lanes with bp = fl(b * fl(1/p)); b is
/// taken as b - p when above p/2 for balanced residues.
struct fixed_t {
  __m256d b, bp;
};

template <bool Balanced>
__attribute__((target("avx2,fma"))) inline fixed_t fixed_multiplier(const arith_state_t& mod,
                                                                    std::uint64_t b) {
  std::int64_t v = static_cast<std::int64_t>(b);
  if (Balanced && b > mod.globalp[0] / 2) v -= static_cast<std::int64_t>(mod.globalp[0]);
  const double bd = static_cast<double>(v);
  return {_mm256_set1_pd(bd), _mm256_set1_pd(bd * mod.recip_pd)};
}

/// The bits set in any of n exponents: a lockstep group runs over all of them.
inline std::uint64_t exponent_bits(const std::uint64_t* exps, std::size_t n) {
  std::uint64_t all = 0;
  for (std::size_t i = 0; i < n; ++i) all |= exps[i];
  return all;
}

/// Vectors powered side by side: enough independent products to cover the
/// latency of a product.
constexpr std::size_t power_vectors = 4;
constexpr std::size_t power_group = 4 * power_vectors;

/// Right-to-left powering of power_group bases (below their moduli) in
/// lockstep over the longest exponent; per bit, the product multiplies by the
/// square or by one (a blend on the exponent bit moved into the sign
/// position). Vector j works modulo m[j] (one modulus per lane).
template <bool Balanced>
__attribute__((target("avx2,fma"))) void powmod_group_mod(const std::uint64_t* bases,
                                                          const std::uint64_t* exps,
                                                          const vec_modulus* m,
                                                          std::uint64_t* out) {
  const __m256d one = _mm256_set1_pd(1.0);
  __m256d r[power_vectors], acc[power_vectors];
  __m256i e[power_vectors];
  std::uint64_t all = exponent_bits(exps, power_group);
  for (std::size_t j = 0; j < power_vectors; ++j) {
    r[j] = load_residues<Balanced>(bases + 4 * j, m[j]);
    e[j] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(exps + 4 * j));
    acc[j] = one;
  }
  for (; all != 0; all >>= 1) {
    for (std::size_t j = 0; j < power_vectors; ++j) {
      const __m256d bit = _mm256_castsi256_pd(_mm256_slli_epi64(e[j], 63));
      acc[j] = mul_lazy<Balanced>(acc[j], _mm256_blendv_pd(one, r[j], bit), m[j]);
      r[j] = mul_lazy<Balanced>(r[j], r[j], m[j]);
      e[j] = _mm256_srli_epi64(e[j], 1);
    }
  }
  for (std::size_t j = 0; j < power_vectors; ++j)
    store_reduced<Balanced>(out + 4 * j, acc[j], m[j]);
}

/// Vectors of the left-to-right kernel: its products form one chain per
/// vector, so it needs twice as many vectors as the right-to-left one to
/// cover the latency of a product.
constexpr std::size_t window_vectors = 8;
constexpr std::size_t window_group = 4 * window_vectors;

/// Left-to-right powering of window_group bases (below their moduli) in
/// lockstep, two exponent bits at a time: two squarings and one product by
/// 1, x, x^2 or x^3, picked per lane by blends on the two bits. Three
/// products per two bits instead of the right-to-left kernel's four.
template <bool Balanced>
__attribute__((target("avx2,fma"))) void powmod_window_group_mod(const std::uint64_t* bases,
                                                                 const std::uint64_t* exps,
                                                                 const vec_modulus* m,
                                                                 std::uint64_t* out) {
  const __m256d one = _mm256_set1_pd(1.0);
  const std::uint64_t all = exponent_bits(exps, window_group);
  if (all == 0) {
    for (std::size_t j = 0; j < window_vectors; ++j)
      store_reduced<Balanced>(out + 4 * j, one, m[j]);
    return;
  }
  // Exponent bits in pairs from the top: the exponents are shifted so that
  // the first pair sits in bits 63 and 62, where the blends read it.
  const int bits = 64 - __builtin_clzll(all);
  const int pairs = (bits + 1) / 2;
  const __m128i align = _mm_cvtsi32_si128(64 - 2 * pairs);
  __m256d x1[window_vectors], x2[window_vectors], x3[window_vectors], acc[window_vectors];
  __m256i e[window_vectors];
  for (std::size_t j = 0; j < window_vectors; ++j) {
    x1[j] = load_residues<Balanced>(bases + 4 * j, m[j]);
    x2[j] = mul_lazy<Balanced>(x1[j], x1[j], m[j]);
    x3[j] = mul_lazy<Balanced>(x2[j], x1[j], m[j]);
    e[j] =
        _mm256_sll_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(exps + 4 * j)), align);
  }
  auto pick = [&](std::size_t j) __attribute__((target("avx2,fma"))) {
    const __m256d high = _mm256_castsi256_pd(e[j]);
    const __m256d low = _mm256_castsi256_pd(_mm256_slli_epi64(e[j], 1));
    const __m256d odd = _mm256_blendv_pd(x2[j], x3[j], low);
    const __m256d even = _mm256_blendv_pd(one, x1[j], low);
    e[j] = _mm256_slli_epi64(e[j], 2);
    return _mm256_blendv_pd(even, odd, high);
  };
  for (std::size_t j = 0; j < window_vectors; ++j) acc[j] = pick(j);
  for (int pair = 1; pair < pairs; ++pair) {
    for (std::size_t j = 0; j < window_vectors; ++j)
      acc[j] = mul_lazy<Balanced>(acc[j], acc[j], m[j]);
    for (std::size_t j = 0; j < window_vectors; ++j)
      acc[j] = mul_lazy<Balanced>(acc[j], acc[j], m[j]);
    for (std::size_t j = 0; j < window_vectors; ++j)
      acc[j] = mul_lazy<Balanced>(acc[j], pick(j), m[j]);
  }
  for (std::size_t j = 0; j < window_vectors; ++j)
    store_reduced<Balanced>(out + 4 * j, acc[j], m[j]);
}

/// The same with the one modulus `mod` in every lane.
template <bool Balanced>
__attribute__((target("avx2,fma"))) void powmod_group(const arith_state_t& mod,
                                                      const std::uint64_t* bases,
                                                      const std::uint64_t* exps,
                                                      std::uint64_t* out) {
  vec_modulus m[power_vectors];
  for (std::size_t j = 0; j < power_vectors; ++j) m[j] = load_modulus(mod);
  powmod_group_mod<Balanced>(bases, exps, m, out);
}

/// Remainders this short go to the portable kernels: a padded group would
/// cost more than they do.
constexpr std::size_t scalar_tail = 4;

/// Runs `group` over n elements in blocks of power_group; a last partial
/// block is padded with base 2, exponent 0 in local buffers, unless it is
/// short enough for `tail`.
template <class Group, class Tail>
__attribute__((target("avx2,fma"))) void by_groups(const std::uint64_t* bases,
                                                   const std::uint64_t* exps, std::uint64_t* out,
                                                   std::size_t n, Group group, Tail tail) {
  std::size_t i = 0;
  for (; i + power_group <= n; i += power_group)
    group(bases ? bases + i : nullptr, exps + i, out + i);
  if (i == n) return;
  if (n - i < scalar_tail) {
    tail(bases ? bases + i : nullptr, exps + i, out + i, n - i);
    return;
  }
  std::uint64_t b[power_group], e[power_group], o[power_group];
  for (std::size_t j = 0; j < power_group; ++j) {
    b[j] = (bases && i + j < n) ? bases[i + j] : 2;
    e[j] = i + j < n ? exps[i + j] : 0;
  }
  group(b, e, o);
  std::copy(o, o + (n - i), out + i);
}

/// Powers of 2: the same lockstep powering from the base 2.
template <bool Balanced>
__attribute__((target("avx2,fma"))) void pow2mod_group(const arith_state_t& mod,
                                                       const std::uint64_t* exps,
                                                       std::uint64_t* out) {
  std::uint64_t twos[power_group];
  std::fill(twos, twos + power_group, 2 % mod.globalp[0]);
  powmod_group<Balanced>(mod, twos, exps, out);
}

/// x * 2^-1 mod p as a lazy residue, for a lazy residue x: y = x/2 is exact;
/// for odd x it ends in one half, fr = y - round(y) is +-1/2, and y + fr*p =
/// (x +- p)/2 is an integer of absolute value below p (one FMA, exact). For
/// even x, fr = +0 and y comes back unchanged; the result is never -0.
__attribute__((target("avx2,fma"))) inline __m256d half_lazy(__m256d x, __m256d p) {
  const __m256d y = _mm256_mul_pd(x, _mm256_set1_pd(0.5));
  return _mm256_fmadd_pd(_mm256_sub_pd(y, round_nearest(y)), p, y);
}

/// 2^-e modulo window_group primes (odd, below 2^50) for e > 0, left to
/// right from (p+1)/2 = 2^-1: per lower bit of e a lazy square, and a
/// halving when the bit is set. Each lane's modulus is its prime as a double
/// and its correctly rounded reciprocal, as the product's bound requires.
__attribute__((target("avx2,fma"))) void inverse_pow2_group(const std::uint64_t* primes,
                                                            std::uint64_t e, std::uint64_t* out) {
  vec_modulus m[window_vectors];
  __m256d x[window_vectors];
  for (std::size_t j = 0; j < window_vectors; ++j) {
    const __m256d p = load_as_double(primes + 4 * j);
    m[j] = {p, _mm256_div_pd(_mm256_set1_pd(1.0), p)};
    x[j] = _mm256_mul_pd(_mm256_add_pd(p, _mm256_set1_pd(1.0)), _mm256_set1_pd(0.5));
  }
  for (int bit = 62 - __builtin_clzll(e); bit >= 0; --bit) {
    for (std::size_t j = 0; j < window_vectors; ++j) x[j] = mul_lazy<false>(x[j], x[j], m[j]);
    if ((e >> bit) & 1) {
      for (std::size_t j = 0; j < window_vectors; ++j) x[j] = half_lazy(x[j], m[j].p);
    }
  }
  for (std::size_t j = 0; j < window_vectors; ++j) store_reduced(out + 4 * j, x[j], m[j]);
}

/// The vector kernels' exactness bound on the prime.
constexpr std::uint64_t vector_prime_limit = std::uint64_t{1} << 50;

/// inverse_pow2_group for a group whose primes all lie below the vector
/// kernels' bound, the portable kernel for any other.
__attribute__((target("avx2,fma"))) void inverse_pow2_group_checked(const std::uint64_t* primes,
                                                                    std::uint64_t e,
                                                                    std::uint64_t* out) {
  std::uint64_t all = 0;
  for (std::size_t j = 0; j < window_group; ++j) all |= primes[j];
  if (all >= vector_prime_limit) {
    inverse_pow2_lanes_scalar(primes, e, out, window_group);
  } else {
    inverse_pow2_group(primes, e, out);
  }
}

/// residue_key of four 64-bit lanes, packed into four 32-bit words: the
/// products of the low and the high halves by their constants (vpmuludq
/// reads the low 32 bits of each lane), summed, and their low halves
/// gathered into the low 128 bits.
__attribute__((target("avx2,fma"))) inline __m128i residue_keys(__m256i x) {
  const __m256i lo = _mm256_mul_epu32(x, _mm256_set1_epi64x(0x9E3779B1u));
  const __m256i hi = _mm256_mul_epu32(_mm256_srli_epi64(x, 32), _mm256_set1_epi64x(0x85EBCA77u));
  const __m256i sum = _mm256_add_epi64(lo, hi);
  const __m256i packed = _mm256_permutevar8x32_epi32(sum, _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6));
  return _mm256_castsi256_si128(packed);
}

/// Vectors scanned side by side: a block's jump is a chain of two
/// multiplies and four more operations, which four vectors keep busy.
constexpr std::size_t scan_vectors = 4;
constexpr std::size_t scan_group = 4 * scan_vectors;
/// Longest block of the vector scan: m * p < 2^13 * 2^50 leaves room for
/// r + m * p in 64 bits.
constexpr unsigned scan_vector_block = 13;

/// halving_near_zero_lanes for scan_group lanes whose primes lie below
/// 2^50 and above 2 * bound, with more than short_scan steps. All lanes
/// jump by the shortest block any of them allows, k <= 13; per block the
/// test of the first value (signed comparisons, the values being below
/// 2^50) and the jump r + m*p >> k with m = r * (-p^-1) mod 2^k, m*p formed
/// from the two 32-bit halves of p (vpmuludq). A block that passes the test
/// in some lane is stepped through exactly in that lane.
__attribute__((target("avx2,fma"))) void near_zero_group(const std::uint64_t* primes,
                                                         const std::uint64_t* starts,
                                                         std::uint64_t steps,
                                                         std::uint64_t bound,
                                                         std::uint8_t* flags) {
  unsigned k = scan_vector_block;
  std::uint64_t neg_pinv[scan_group];
  for (std::size_t i = 0; i < scan_group; ++i) {
    k = std::min(k, scan_block_length(primes[i], bound));
    neg_pinv[i] = std::uint64_t{0} - inverse_mod_2_64(primes[i]);
    flags[i] = 0;
  }
  const std::int64_t wide = static_cast<std::int64_t>(bound << (k - 1));
  const __m256i below = _mm256_set1_epi64x(wide + 1);
  const __m256i mask = _mm256_set1_epi64x((std::int64_t{1} << k) - 1);
  const __m128i shift = _mm_cvtsi32_si128(static_cast<int>(k));
  __m256i p[scan_vectors], p_high[scan_vectors], above[scan_vectors], q[scan_vectors],
      r[scan_vectors];
  for (std::size_t v = 0; v < scan_vectors; ++v) {
    p[v] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(primes + 4 * v));
    p_high[v] = _mm256_srli_epi64(p[v], 32);
    above[v] = _mm256_sub_epi64(p[v], below);  // r > p - wide - 1: within wide of p
    q[v] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(neg_pinv + 4 * v));
    r[v] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(starts + 4 * v));
  }
  for (std::uint64_t s = 0; s < steps; s += k) {
    __m256i near[scan_vectors];
    __m256i any = _mm256_setzero_si256();
    for (std::size_t v = 0; v < scan_vectors; ++v) {
      near[v] = _mm256_or_si256(_mm256_cmpgt_epi64(below, r[v]), _mm256_cmpgt_epi64(r[v], above[v]));
      any = _mm256_or_si256(any, near[v]);
    }
    if (!_mm256_testz_si256(any, any)) [[unlikely]] {
      const std::uint64_t left = steps - s < k ? steps - s : k;
      for (std::size_t v = 0; v < scan_vectors; ++v) {
        alignas(32) std::uint64_t value[4];
        _mm256_store_si256(reinterpret_cast<__m256i*>(value), r[v]);
        const int lanes = _mm256_movemask_pd(_mm256_castsi256_pd(near[v]));
        for (std::size_t j = 0; j < 4; ++j) {
          const std::size_t i = 4 * v + j;
          if (((lanes >> j) & 1) != 0 && flags[i] == 0 &&
              near_zero_steps(primes[i], value[j], left, bound)) {
            flags[i] = 1;
          }
        }
      }
    }
    for (std::size_t v = 0; v < scan_vectors; ++v) {
      const __m256i m = _mm256_and_si256(_mm256_mul_epu32(r[v], q[v]), mask);
      const __m256i mp = _mm256_add_epi64(_mm256_mul_epu32(m, p[v]),
                                          _mm256_slli_epi64(_mm256_mul_epu32(m, p_high[v]), 32));
      r[v] = _mm256_srl_epi64(_mm256_add_epi64(r[v], mp), shift);
    }
  }
}

/// Chains of the geometric sequence: geometric_vectors vectors of four
/// consecutive terms each, stepping by ratio^(4 * geometric_vectors).
constexpr std::size_t geometric_vectors = 6;

/// Whether the one modulus needs balanced residues.
inline bool balanced_for(const arith_state_t& mod) { return mod.globalp[0] >= fp_lazy_limit; }

template <bool Balanced>
__attribute__((target("avx2,fma"))) void powmod_many_fp(const arith_state_t& mod,
                                                        const std::uint64_t* bases,
                                                        const std::uint64_t* exps,
                                                        std::uint64_t* out, std::size_t n) {
  by_groups(
      bases, exps, out, n,
      [&mod](const std::uint64_t* b, const std::uint64_t* e, std::uint64_t* o)
          __attribute__((target("avx2,fma"))) { powmod_group<Balanced>(mod, b, e, o); },
      [&mod](const std::uint64_t* b, const std::uint64_t* e, std::uint64_t* o, std::size_t k) {
        powmod_many_scalar(mod, b, e, o, k);
      });
}

template <bool Balanced>
__attribute__((target("avx2,fma"))) void pow2mod_many_fp(const arith_state_t& mod,
                                                         const std::uint64_t* exps,
                                                         std::uint64_t* out, std::size_t n) {
  by_groups(
      nullptr, exps, out, n,
      [&mod](const std::uint64_t*, const std::uint64_t* e, std::uint64_t* o)
          __attribute__((target("avx2,fma"))) { pow2mod_group<Balanced>(mod, e, o); },
      [&mod](const std::uint64_t*, const std::uint64_t* e, std::uint64_t* o, std::size_t k) {
        pow2mod_many_scalar(mod, e, o, k);
      });
}

/// The moduli of four lanes, from their states.
__attribute__((target("avx2,fma"))) inline vec_modulus lane_moduli(
    const arith_state_t* const* mods) {
  return {
      _mm256_setr_pd(mods[0]->p_d, mods[1]->p_d, mods[2]->p_d, mods[3]->p_d),
      _mm256_setr_pd(mods[0]->recip_pd, mods[1]->recip_pd, mods[2]->recip_pd, mods[3]->recip_pd)};
}

/// The kernel family a group of lanes needs, from the largest of their
/// moduli (as doubles: exact below 2^53, and above it still on the right
/// side of both limits).
enum class lane_family { lazy, balanced, integer };

__attribute__((target("avx2,fma"))) inline lane_family family_of(const vec_modulus* m,
                                                                 std::size_t vectors) {
  __m256d top = m[0].p;
  for (std::size_t v = 1; v < vectors; ++v) top = _mm256_max_pd(top, m[v].p);
  const __m128d half = _mm_max_pd(_mm256_castpd256_pd128(top), _mm256_extractf128_pd(top, 1));
  const double largest = _mm_cvtsd_f64(_mm_max_sd(half, _mm_unpackhi_pd(half, half)));
  if (largest < static_cast<double>(fp_lazy_limit)) return lane_family::lazy;
  if (largest < static_cast<double>(fp_balanced_limit)) return lane_family::balanced;
  return lane_family::integer;
}

/// One group of `Vectors` vectors (4 * Vectors lanes, each with its own
/// modulus), by the family its moduli need: a group with a prime at or
/// above fp_balanced_limit runs on the integer kernels.
template <std::size_t Vectors, class Lazy, class Balanced>
__attribute__((target("avx2,fma"))) void lanes_group(const std::uint64_t* bases,
                                                     const std::uint64_t* exps,
                                                     const arith_state_t* const* moduli,
                                                     std::uint64_t* out, Lazy lazy,
                                                     Balanced balanced) {
  vec_modulus m[Vectors];
  for (std::size_t v = 0; v < Vectors; ++v) m[v] = lane_moduli(moduli + 4 * v);
  switch (family_of(m, Vectors)) {
    case lane_family::lazy:
      lazy(bases, exps, m, out);
      return;
    case lane_family::balanced:
      balanced(bases, exps, m, out);
      return;
    case lane_family::integer:
      powmod_lanes_scalar(bases, exps, moduli, out, 4 * Vectors);
      return;
  }
}

}  // namespace

// Whole groups of the left-to-right kernel, then groups of the right-to-left
// one, each lane with its own modulus and each group in the family its
// moduli need; a last partial group is padded with base 2, exponent 0 under
// the modulus of its first element.
void powmod_lanes_avx2(const std::uint64_t* bases, const std::uint64_t* exps,
                       const arith_state_t* const* moduli, std::uint64_t* out, std::size_t n) {
  std::size_t i = 0;
  for (; i + window_group <= n; i += window_group) {
    lanes_group<window_vectors>(bases + i, exps + i, moduli + i, out + i,
                                powmod_window_group_mod<false>, powmod_window_group_mod<true>);
  }
  for (; i + power_group <= n; i += power_group) {
    lanes_group<power_vectors>(bases + i, exps + i, moduli + i, out + i, powmod_group_mod<false>,
                               powmod_group_mod<true>);
  }
  if (i == n) return;
  std::uint64_t b[power_group], e[power_group], o[power_group];
  const arith_state_t* mods[power_group];
  for (std::size_t j = 0; j < power_group; ++j) {
    const bool live = i + j < n;
    b[j] = live ? bases[i + j] : 2;
    e[j] = live ? exps[i + j] : 0;
    mods[j] = live ? moduli[i + j] : moduli[i];
  }
  lanes_group<power_vectors>(b, e, mods, o, powmod_group_mod<false>, powmod_group_mod<true>);
  std::copy(o, o + (n - i), out + i);
}

// Whole groups of window_group primes; a remainder of at least one vector
// is padded with copies of its first prime, a shorter one (and e = 0) goes
// to the portable kernel.
void inverse_pow2_lanes_avx2(const std::uint64_t* primes, std::uint64_t e, std::uint64_t* out,
                             std::size_t count) {
  if (e == 0) {
    inverse_pow2_lanes_scalar(primes, e, out, count);
    return;
  }
  std::size_t i = 0;
  for (; i + window_group <= count; i += window_group)
    inverse_pow2_group_checked(primes + i, e, out + i);
  const std::size_t left = count - i;
  if (left == 0) return;
  if (left < 4) {
    inverse_pow2_lanes_scalar(primes + i, e, out + i, left);
    return;
  }
  std::uint64_t padded[window_group], o[window_group];
  for (std::size_t j = 0; j < window_group; ++j) padded[j] = primes[i + (j < left ? j : 0)];
  inverse_pow2_group_checked(padded, e, o);
  std::copy(o, o + left, out + i);
}

// One vector of the four lanes, doubled per exponent: t = 2f, u = t - p,
// and the blend keeps t where u is negative (|u| < 2^63 for p < 2^63). Four
// exponents at a time are turned into four vectors of one lane each (a 4x4
// transpose) and keyed. A lane that meets 1 is marked; its order is found
// afterwards by the portable doubling, as that is rare.
void pow2_keys_4lanes_avx2(const std::uint64_t* primes, std::uint32_t length, std::size_t stride,
                           std::uint32_t* keys, std::uint32_t* keys_plus, std::uint32_t* orders) {
  const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(primes));
  const __m256i one = _mm256_set1_epi64x(1);
  const auto twice = [&p](__m256i f) __attribute__((target("avx2,fma"))) {
    const __m256i t = _mm256_add_epi64(f, f);
    const __m256i u = _mm256_sub_epi64(t, p);
    return _mm256_castpd_si256(
        _mm256_blendv_pd(_mm256_castsi256_pd(u), _mm256_castsi256_pd(t), _mm256_castsi256_pd(u)));
  };
  __m256i f = one;
  __m256i met = _mm256_setzero_si256();
  for (std::size_t a = 0; a <= length; a += 4) {
    const __m256i r0 = f, r1 = twice(r0), r2 = twice(r1), r3 = twice(r2);
    f = twice(r3);  // the powers of a + 1 .. a + 4 are marked (never a = 0)
    met = _mm256_or_si256(met, _mm256_or_si256(_mm256_cmpeq_epi64(r1, one),
                                               _mm256_cmpeq_epi64(r2, one)));
    met = _mm256_or_si256(met, _mm256_or_si256(_mm256_cmpeq_epi64(r3, one),
                                               _mm256_cmpeq_epi64(f, one)));
    const __m256i t0 = _mm256_unpacklo_epi64(r0, r1), t1 = _mm256_unpackhi_epi64(r0, r1);
    const __m256i t2 = _mm256_unpacklo_epi64(r2, r3), t3 = _mm256_unpackhi_epi64(r2, r3);
    const __m256i lane[4] = {
        _mm256_permute2x128_si256(t0, t2, 0x20), _mm256_permute2x128_si256(t1, t3, 0x20),
        _mm256_permute2x128_si256(t0, t2, 0x31), _mm256_permute2x128_si256(t1, t3, 0x31)};
    for (std::size_t i = 0; i < 4; ++i) {
      const std::size_t at = i * stride + a;
      _mm_storeu_si128(reinterpret_cast<__m128i*>(keys + at), residue_keys(lane[i]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(keys_plus + at),
                       residue_keys(_mm256_add_epi64(lane[i], one)));
    }
  }
  const int lanes_met = _mm256_movemask_pd(_mm256_castsi256_pd(met));
  for (std::size_t i = 0; i < 4; ++i)
    orders[i] = ((lanes_met >> i) & 1) != 0 ? pow2_order_up_to(primes[i], length) : 0;
}

// Whole groups of scan_group lanes go to the vector scan when their primes
// lie below 2^50 and above 2 * bound; other groups, a last partial group
// and short chains go to the portable scan.
void halving_near_zero_lanes_avx2(const std::uint64_t* primes, const std::uint64_t* starts,
                                  std::size_t count, std::uint64_t steps, std::uint64_t bound,
                                  std::uint8_t* flags) {
  std::size_t i = 0;
  if (steps > short_scan && bound < (vector_prime_limit >> 2)) {
    for (; i + scan_group <= count; i += scan_group) {
      bool fits = true;
      for (std::size_t j = 0; j < scan_group; ++j) {
        const std::uint64_t p = primes[i + j];
        fits = fits && p < vector_prime_limit && bound < p / 2;
      }
      if (fits) {
        near_zero_group(primes + i, starts + i, steps, bound, flags + i);
      } else {
        halving_near_zero_lanes_scalar(primes + i, starts + i, scan_group, steps, bound,
                                       flags + i);
      }
    }
  }
  halving_near_zero_lanes_scalar(primes + i, starts + i, count - i, steps, bound, flags + i);
}

namespace {

template <bool Balanced>
__attribute__((target("avx2,fma"))) void geometric_mod_p_fp(const arith_state_t& mod,
                                                            std::uint64_t start,
                                                            std::uint64_t ratio, std::size_t count,
                                                            std::uint64_t* out) {
  // v chains of four consecutive terms (v = 6 for long sequences, fewer for
  // short ones), set up from r^2, r^4, r^8, r^16 so that the set-up is a
  // short dependency chain; then every chain steps by r^(4v).
  const std::size_t v = std::min<std::size_t>(geometric_vectors, count / 8 == 0 ? 1 : count / 8);
  const std::uint64_t r2 = mul_mod_p_reduced(mod, ratio, ratio);
  const std::uint64_t r4 = mul_mod_p_reduced(mod, r2, r2);
  const std::uint64_t r8 = mul_mod_p_reduced(mod, r4, r4);
  const std::uint64_t r16 = mul_mod_p_reduced(mod, r8, r8);
  const std::uint64_t t1 = mul_mod_p_reduced(mod, start, ratio);
  std::uint64_t head[4] = {start, t1, mul_mod_p_reduced(mod, start, r2),
                           mul_mod_p_reduced(mod, t1, r2)};
  const vec_modulus m = load_modulus(mod);
  const auto [b4, b4p] = fixed_multiplier<Balanced>(mod, r4);
  const auto [b8, b8p] = fixed_multiplier<Balanced>(mod, r8);
  const auto [b16, b16p] = fixed_multiplier<Balanced>(mod, r16);
  __m256d x[geometric_vectors];
  x[0] = load_residues<Balanced>(head, m);
  x[1] = mul_fixed_lazy<Balanced>(x[0], b4, b4p, m);
  x[2] = mul_fixed_lazy<Balanced>(x[0], b8, b8p, m);
  x[3] = mul_fixed_lazy<Balanced>(x[1], b8, b8p, m);
  x[4] = mul_fixed_lazy<Balanced>(x[0], b16, b16p, m);
  x[5] = mul_fixed_lazy<Balanced>(x[1], b16, b16p, m);
  static constexpr std::uint8_t stride_from[7][2] = {{0, 0},  {4, 0},  {8, 0}, {8, 4},
                                                     {16, 0}, {16, 4}, {16, 8}};
  auto power = [&](std::uint8_t e) { return e == 4 ? r4 : e == 8 ? r8 : r16; };
  std::uint64_t step = power(stride_from[v][0]);
  if (stride_from[v][1] != 0) step = mul_mod_p_reduced(mod, step, power(stride_from[v][1]));
  const auto [bs, bsp] = fixed_multiplier<Balanced>(mod, step);
  const std::size_t stride = 4 * v;
  std::size_t i = 0;
  for (; i + stride <= count; i += stride) {
    for (std::size_t j = 0; j < v; ++j) {
      store_reduced<Balanced>(out + i + 4 * j, x[j], m);
      x[j] = mul_fixed_lazy<Balanced>(x[j], bs, bsp, m);
    }
  }
  // Fewer than 4v terms are left: the chains in order, the last one cut.
  for (std::size_t j = 0; i < count; ++j, i += 4) {
    if (i + 4 <= count) {
      store_reduced<Balanced>(out + i, x[j], m);
    } else {
      std::uint64_t tail[4];
      store_reduced<Balanced>(tail, x[j], m);
      std::copy(tail, tail + (count - i), out + i);
    }
  }
}

template <bool Balanced>
__attribute__((target("avx2,fma"))) void geometric_scaled_fp(const arith_state_t& mod,
                                                             std::uint64_t start,
                                                             const geometric_powers_t& powers,
                                                             std::size_t count,
                                                             std::uint64_t* out) {
  // Six chains of four terms: the first 24 terms are independent products
  // start * ratio^i; each chain then steps by ratio^24.
  static_assert(geometric_powers_t::span == 4 * geometric_vectors);
  const vec_modulus m = load_modulus(mod);
  const auto [b, bp] = fixed_multiplier<Balanced>(mod, start);
  const std::size_t vectors = (count + 3) / 4;
  if (vectors <= geometric_vectors) {
    for (std::size_t j = 0; j < vectors; ++j) {
      const __m256d pow = load_residues<Balanced>(powers.pow.data() + 4 * j, m);
      store_reduced<Balanced>(out + 4 * j, mul_fixed_lazy<Balanced>(pow, b, bp, m), m);
    }
    return;
  }
  __m256d x[geometric_vectors];
  for (std::size_t j = 0; j < geometric_vectors; ++j)
    x[j] =
        mul_fixed_lazy<Balanced>(load_residues<Balanced>(powers.pow.data() + 4 * j, m), b, bp, m);
  // The stepping of geometric_mod_p_avx2 with all six chains, written out:
  // shared with a chain count known only at run time, the chains left the
  // registers (16% more instructions in that kernel).
  const auto [bs, bsp] = fixed_multiplier<Balanced>(mod, powers.next);
  constexpr std::size_t stride = 4 * geometric_vectors;
  std::size_t i = 0;
  for (; i + stride <= count; i += stride) {
    for (std::size_t j = 0; j < geometric_vectors; ++j) {
      store_reduced<Balanced>(out + i + 4 * j, x[j], m);
      x[j] = mul_fixed_lazy<Balanced>(x[j], bs, bsp, m);
    }
  }
  for (std::size_t j = 0; i < count; ++j, i += 4) store_reduced<Balanced>(out + i, x[j], m);
}

}  // namespace

void powmod_many_avx2(const arith_state_t& mod, const std::uint64_t* bases,
                      const std::uint64_t* exps, std::uint64_t* out, std::size_t n) {
  if (balanced_for(mod)) {
    powmod_many_fp<true>(mod, bases, exps, out, n);
  } else {
    powmod_many_fp<false>(mod, bases, exps, out, n);
  }
}

void pow2mod_many_avx2(const arith_state_t& mod, const std::uint64_t* exps, std::uint64_t* out,
                       std::size_t n) {
  if (balanced_for(mod)) {
    pow2mod_many_fp<true>(mod, exps, out, n);
  } else {
    pow2mod_many_fp<false>(mod, exps, out, n);
  }
}

void geometric_mod_p_avx2(const arith_state_t& mod, std::uint64_t start, std::uint64_t ratio,
                          std::size_t count, std::uint64_t* out) {
  if (count < 12) {  // the set-up would cost more than it saves
    geometric_mod_p_scalar(mod, start, ratio, count, out);
  } else if (balanced_for(mod)) {
    geometric_mod_p_fp<true>(mod, start, ratio, count, out);
  } else {
    geometric_mod_p_fp<false>(mod, start, ratio, count, out);
  }
}

void geometric_scaled_avx2(const arith_state_t& mod, std::uint64_t start,
                           const geometric_powers_t& powers, std::size_t count,
                           std::uint64_t* out) {
  if (balanced_for(mod)) {
    geometric_scaled_fp<true>(mod, start, powers, count, out);
  } else {
    geometric_scaled_fp<false>(mod, start, powers, count, out);
  }
}

}  // namespace quorvel
