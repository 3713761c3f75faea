// The portable batch kernels, exact for every p below 2^62 (they serve the
// primes above the double-based kernels' range on every processor).
// Independent powers run four at a time (eight at a time under their own
// moduli) on the lazy Montgomery kernels of mulmod.hpp, so that the
// multiplies of different powers overlap; geometric sequences run as eight
// interleaved chains, each stepping by ratio^8 with Shoup's precomputed
// quotient.
#include "arith/batch_scalar.hpp"

#include <algorithm>
#include <bit>

#include "arith/halving_scan.hpp"
#include "arith/mulmod.hpp"

namespace quorvel {

namespace {

constexpr std::size_t power_lanes = 4;
constexpr std::size_t geometric_chains = 8;

/// 2^-e as a start 2^-t0 (t0 <= 64) followed by Montgomery squarings with
/// R = 2^64, each of which maps 2^-t to 2^-(2t+64), and halvings, which map
/// 2^-t to 2^-(t+1). The plan is made once for the exponent shared by all
/// lanes; the 64 free halvings of each squaring save six squarings against
/// plain powering.
struct inverse_pow2_plan {
  unsigned t0 = 0;
  int squarings = 0;
  std::uint64_t halve = 0;  ///< bit i: a halving after squaring i
};

inverse_pow2_plan make_inverse_pow2_plan(std::uint64_t e) {
  // Worked back from e = 2t + 64 + bit: the bit found first belongs to the
  // last squaring, and shifting it up as more are found puts the bit of
  // squaring i at position i.
  inverse_pow2_plan plan;
  while (e > 64) {
    plan.halve = (plan.halve << 1) | ((e - 64) & 1);
    e = (e - 64) >> 1;
    ++plan.squarings;
  }
  plan.t0 = static_cast<unsigned>(e);
  return plan;
}

/// x^2 * 2^-64 mod p for x < p < 2^63 (Montgomery squaring, fully reduced):
/// with m = lo(x^2) * p^-1, m*p has the low word of x^2, so (x^2 - m*p) /
/// 2^64 = hi(x^2) - hi(m*p), both below p.
inline std::uint64_t mont_square(std::uint64_t x, std::uint64_t p, std::uint64_t pinv) {
  const u128 t = static_cast<u128>(x) * x;
  const std::uint64_t th = static_cast<std::uint64_t>(t >> 64);
  const std::uint64_t mh = mul_hi(static_cast<std::uint64_t>(t) * pinv, p);
  return th - mh + (th < mh ? p : 0);
}

/// 2^-t0 mod p for t0 <= 64: 1, or REDC(2^(64-t0)) = -hi(m*p) mod p with m
/// = 2^(64-t0) * p^-1 (the low words cancel, as in mont_square).
inline std::uint64_t inverse_pow2_start(unsigned t0, std::uint64_t p, std::uint64_t pinv) {
  if (t0 == 0) return 1;
  const std::uint64_t mh = mul_hi((std::uint64_t{1} << (64 - t0)) * pinv, p);
  return mh == 0 ? 0 : p - mh;
}

/// The inverse powers of up to four lanes in lockstep, so that their
/// multiplies overlap.
void inverse_pow2_group(const std::uint64_t* primes, const inverse_pow2_plan& plan,
                        std::uint64_t* out, std::size_t n) {
  std::uint64_t p[power_lanes], h[power_lanes], pinv[power_lanes], x[power_lanes];
  for (std::size_t j = 0; j < power_lanes; ++j) {
    p[j] = primes[j < n ? j : 0];
    h[j] = (p[j] >> 1) + 1;
    pinv[j] = inverse_mod_2_64(p[j]);
    x[j] = inverse_pow2_start(plan.t0, p[j], pinv[j]);
  }
  for (int i = 0; i < plan.squarings; ++i) {
    const bool halve = (plan.halve >> i) & 1;
    for (std::size_t j = 0; j < power_lanes; ++j) {
      x[j] = mont_square(x[j], p[j], pinv[j]);
      if (halve) x[j] = half_mod(x[j], h[j]);
    }
  }
  for (std::size_t j = 0; j < n; ++j) out[j] = x[j];
}

/// One lane of halving_near_zero_lanes. A value r_s within bound of 0 is
/// x = r_s or x = r_s - p with |x| <= bound; then r_(s-j) == 2^j * x, and
/// for j < k that product is below p/2 in absolute value, so r_(s-j) itself
/// lies within 2^(k-1) * bound of 0. Each block of k steps therefore needs
/// the test of its first value only, and the jump to the next block is one
/// Montgomery reduction by 2^k: r * 2^-k = (r + m*p) / 2^k with m = r * (-p^-1)
/// mod 2^k, exact in 128 bits and below p.
bool near_zero_lane(std::uint64_t p, std::uint64_t r, std::uint64_t steps, std::uint64_t bound) {
  if (steps == 0) return false;
  if (bound >= p / 2) return true;
  if (steps <= short_scan) return near_zero_steps(p, r, steps, bound);
  const unsigned k = scan_block_length(p, bound);
  const std::uint64_t wide = bound << (k - 1);
  const std::uint64_t mask = (std::uint64_t{1} << k) - 1;
  const std::uint64_t neg_pinv = std::uint64_t{0} - inverse_mod_2_64(p);
  for (std::uint64_t s = 0; s < steps; s += k) {
    if (near_zero(r, p, wide)) [[unlikely]] {
      if (near_zero_steps(p, r, steps - s < k ? steps - s : k, bound)) return true;
    }
    const std::uint64_t m = (r * neg_pinv) & mask;
    r = static_cast<std::uint64_t>((static_cast<u128>(m) * p + r) >> k);
  }
  return false;
}

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

void inverse_pow2_lanes_scalar(const std::uint64_t* primes, std::uint64_t e, std::uint64_t* out,
                               std::size_t count) {
  const inverse_pow2_plan plan = make_inverse_pow2_plan(e);
  for (std::size_t i = 0; i < count; i += power_lanes)
    inverse_pow2_group(primes + i, plan, out + i, std::min(power_lanes, count - i));
}

std::uint32_t pow2_order_up_to(std::uint64_t p, std::uint32_t length) {
  std::uint64_t f = 1;
  for (std::uint32_t a = 1; a <= length; ++a) {
    const std::uint64_t t = f + f;
    f = t >= p ? t - p : t;
    if (f == 1) return a;
  }
  return 0;
}

// The four lanes step together, so that their doubling chains overlap.
void pow2_keys_4lanes_scalar(const std::uint64_t* primes, std::uint32_t length,
                             std::size_t stride, std::uint32_t* keys, std::uint32_t* keys_plus,
                             std::uint32_t* orders) {
  const std::size_t end = (std::size_t{length} | 3) + 1;
  std::uint64_t f[4] = {1, 1, 1, 1};
  std::uint32_t order[4] = {0, 0, 0, 0};
  for (std::size_t a = 0; a < end; ++a) {
    for (std::size_t i = 0; i < 4; ++i) {
      keys[i * stride + a] = residue_key(f[i]);
      keys_plus[i * stride + a] = residue_key(f[i] + 1);
      // The power of a + 1: 2f - p, plus p again where that is negative,
      // with a mask (a branch here would be a coin toss).
      const std::uint64_t u = f[i] + f[i] - primes[i];
      f[i] = u + (primes[i] & (std::uint64_t{0} - (u >> 63)));
      if (f[i] == 1 && order[i] == 0 && a < length) order[i] = static_cast<std::uint32_t>(a + 1);
    }
  }
  for (std::size_t i = 0; i < 4; ++i) orders[i] = order[i];
}

void halving_near_zero_lanes_scalar(const std::uint64_t* primes, const std::uint64_t* starts,
                                    std::size_t count, std::uint64_t steps, std::uint64_t bound,
                                    std::uint8_t* flags) {
  if (steps == 1) {  // the starts alone (near_zero holds for any bound)
    for (std::size_t i = 0; i < count; ++i) flags[i] = near_zero(starts[i], primes[i], bound);
    return;
  }
  for (std::size_t i = 0; i < count; ++i)
    flags[i] = near_zero_lane(primes[i], starts[i], steps, bound) ? 1 : 0;
}

}  // namespace quorvel
