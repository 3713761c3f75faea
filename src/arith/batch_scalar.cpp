// The portable batch kernels, exact for every p below 2^62 (they serve the
// primes above the double-based kernels' range on every processor).
// Independent powers run four at a time (eight at a time under their own
// moduli) on the lazy Montgomery kernels of mulmod.hpp, so that the
// multiplies of different powers overlap; geometric sequences run as eight
// interleaved chains, each stepping by ratio^8 with Shoup's precomputed
// quotient.
#include "arith/batch_scalar.hpp"

#include <algorithm>

#include "arith/mulmod.hpp"

namespace quorvel {

namespace {

constexpr std::size_t power_lanes = 4;
constexpr std::size_t geometric_chains = 8;

/// Right-to-left powering of up to four bases in lockstep over the longest
/// exponent; a lane whose exponent has run out multiplies by one.
void powmod_group(const arith_state_t& m, const std::uint64_t* bases, const std::uint64_t* exps,
                  std::uint64_t* out, std::size_t n) {
  std::int64_t r[power_lanes], acc[power_lanes];
  std::uint64_t e[power_lanes];
  std::uint64_t all = 0;
  const std::int64_t one = static_cast<std::int64_t>(m.mont_one);
  for (std::size_t j = 0; j < power_lanes; ++j) {
    const bool live = j < n;
    r[j] = to_mont_lazy(m, live ? bases[j] : 0);
    e[j] = live ? exps[j] : 0;
    acc[j] = one;
    all |= e[j];
  }
  for (; all != 0; all >>= 1) {
    for (std::size_t j = 0; j < power_lanes; ++j) {
      const std::int64_t take = -static_cast<std::int64_t>(e[j] & 1);
      acc[j] = mont_mul_lazy(m, acc[j], (r[j] & take) | (one & ~take));
      r[j] = mont_mul_lazy(m, r[j], r[j]);
      e[j] >>= 1;
    }
  }
  for (std::size_t j = 0; j < n; ++j) out[j] = from_mont_lazy(m, acc[j]);
}

/// Left-to-right powers of 2 for up to four exponents in lockstep: the top
/// six bits of the longest exponent's position start every lane (a shorter
/// exponent starts from a smaller power, or from 1), then a lazy square and
/// a doubling by shift per bit.
void pow2mod_group(const arith_state_t& m, const std::uint64_t* exps, std::uint64_t* out,
                   std::size_t n) {
  std::uint64_t e[power_lanes];
  std::uint64_t all = 0;
  for (std::size_t j = 0; j < power_lanes; ++j) {
    e[j] = j < n ? exps[j] : 0;
    all |= e[j];
  }
  if (all == 0) {
    for (std::size_t j = 0; j < n; ++j) out[j] = 1;
    return;
  }
  int bit = 63 - __builtin_clzll(all);
  bit -= bit < 5 ? bit + 1 : 6;
  std::int64_t x[power_lanes];
  for (std::size_t j = 0; j < power_lanes; ++j) {
    x[j] = mont_pow2_lazy(m, static_cast<unsigned>(e[j] >> (bit + 1)));
  }
  for (; bit >= 0; --bit) {
    for (std::size_t j = 0; j < power_lanes; ++j) {
      x[j] = mont_mul_lazy(m, x[j], x[j]);
      x[j] *= std::int64_t{1} << ((e[j] >> bit) & 1);
    }
  }
  for (std::size_t j = 0; j < n; ++j) out[j] = from_mont_lazy(m, x[j]);
}

}  // namespace

// A lone last element takes the single-power routine instead of a group of
// four mostly empty lanes.
void powmod_many_scalar(const arith_state_t& m, const std::uint64_t* bases,
                        const std::uint64_t* exps, std::uint64_t* out, std::size_t n) {
  for (std::size_t i = 0; i < n; i += power_lanes) {
    if (n - i == 1) {
      out[i] = powmod_sse2(m, bases[i], exps[i]);
    } else {
      powmod_group(m, bases + i, exps + i, out + i, std::min(power_lanes, n - i));
    }
  }
}

void pow2mod_many_scalar(const arith_state_t& m, const std::uint64_t* exps, std::uint64_t* out,
                         std::size_t n) {
  for (std::size_t i = 0; i < n; i += power_lanes) {
    if (n - i == 1) {
      out[i] = pow2mod(m, exps[i]);
    } else {
      pow2mod_group(m, exps + i, out + i, std::min(power_lanes, n - i));
    }
  }
}

namespace {

/// Lanes powered side by side under their own moduli: enough independent
/// chains to keep the multiplier busy.
constexpr std::size_t modulus_lanes = 8;

/// Left-to-right powering of up to modulus_lanes bases, each under its own
/// modulus, in lockstep over the longest exponent, two bits at a time: two
/// lazy Montgomery squares and one product by the lane's 1, x, x^2 or x^3
/// (a table lookup, no branch), 1.5 products per bit. The lanes' constants
/// are copied out of their states so that the loop reads no pointers.
void powmod_modulus_lanes(const std::uint64_t* bases, const std::uint64_t* exps,
                          const arith_state_t* const* moduli, std::uint64_t* out, std::size_t n) {
  constexpr std::size_t g = modulus_lanes;
  std::uint64_t e[g], all = 0;
  for (std::size_t j = 0; j < g; ++j) {
    e[j] = j < n ? exps[j] : 0;
    all |= e[j];
  }
  if (all == 0) {
    for (std::size_t j = 0; j < n; ++j) out[j] = 1;
    return;
  }
  arith_state_t lane[g];
  std::int64_t table[g][4], acc[g];
  for (std::size_t j = 0; j < g; ++j) {
    const arith_state_t& m = *moduli[j < n ? j : 0];
    lane[j].globalp[0] = m.globalp[0];
    lane[j].mont_pinv = m.mont_pinv;
    table[j][0] = static_cast<std::int64_t>(m.mont_one);
    table[j][1] = to_mont_lazy(m, j < n ? bases[j] : 0);
    table[j][2] = mont_mul_lazy(lane[j], table[j][1], table[j][1]);
    table[j][3] = mont_mul_lazy(lane[j], table[j][2], table[j][1]);
  }
  const int pairs = (64 - __builtin_clzll(all) + 1) / 2;
  int shift = 2 * pairs - 2;
  for (std::size_t j = 0; j < g; ++j) acc[j] = table[j][(e[j] >> shift) & 3];
  for (shift -= 2; shift >= 0; shift -= 2) {
    for (std::size_t j = 0; j < g; ++j) acc[j] = mont_mul_lazy(lane[j], acc[j], acc[j]);
    for (std::size_t j = 0; j < g; ++j) acc[j] = mont_mul_lazy(lane[j], acc[j], acc[j]);
    for (std::size_t j = 0; j < g; ++j)
      acc[j] = mont_mul_lazy(lane[j], acc[j], table[j][(e[j] >> shift) & 3]);
  }
  for (std::size_t j = 0; j < n; ++j) out[j] = from_mont_lazy(lane[j], acc[j]);
}

}  // namespace

void powmod_lanes_scalar(const std::uint64_t* bases, const std::uint64_t* exps,
                         const arith_state_t* const* moduli, std::uint64_t* out, std::size_t n) {
  for (std::size_t i = 0; i < n; i += modulus_lanes) {
    if (n - i == 1) {
      out[i] = powmod_sse2(*moduli[i], bases[i], exps[i]);
    } else {
      powmod_modulus_lanes(bases + i, exps + i, moduli + i, out + i,
                           std::min(modulus_lanes, n - i));
    }
  }
}

void geometric_mod_p_scalar(const arith_state_t& m, std::uint64_t start, std::uint64_t ratio,
                            std::size_t count, std::uint64_t* out) {
  if (count == 0) return;
  const bdivp_t ratio_q = bdiv_p(m, ratio);
  out[0] = start;
  const std::size_t head = std::min(count, geometric_chains);
  for (std::size_t i = 1; i < head; ++i) out[i] = mul_mod_p_b(m, out[i - 1], ratio, ratio_q);
  if (count <= geometric_chains) return;
  // The eight chains step by ratio^8.
  std::uint64_t step = ratio;
  for (std::size_t k = 1; k < geometric_chains; k *= 2) step = mul_mod_p_reduced(m, step, step);
  const bdivp_t step_q = bdiv_p(m, step);
  std::uint64_t x[geometric_chains];
  std::copy(out, out + geometric_chains, x);
  std::size_t i = geometric_chains;
  for (; i + geometric_chains <= count; i += geometric_chains) {
    for (std::size_t j = 0; j < geometric_chains; ++j) {
      x[j] = mul_mod_p_b(m, x[j], step, step_q);
      out[i + j] = x[j];
    }
  }
  for (; i < count; ++i) out[i] = mul_mod_p_b(m, out[i - geometric_chains], step, step_q);
}

void geometric_scaled_scalar(const arith_state_t& m, std::uint64_t start,
                             const geometric_powers_t& powers, std::size_t count,
                             std::uint64_t* out) {
  constexpr std::size_t span = geometric_powers_t::span;
  const std::size_t head = std::min(count, span);
  const bdivp_t start_q = bdiv_p(m, start);
  for (std::size_t i = 0; i < head; ++i) out[i] = mul_mod_p_b(m, powers.pow[i], start, start_q);
  if (count <= span) return;
  const bdivp_t next_q = bdiv_p(m, powers.next);
  for (std::size_t i = span; i < count; ++i)
    out[i] = mul_mod_p_b(m, out[i - span], powers.next, next_q);
}

}  // namespace quorvel
