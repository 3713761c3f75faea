// Pohlig-Hellman logarithms in a subgroup of smooth order (see the header).
#include "search/subgroup_dlog.hpp"

#include <algorithm>
#include <cmath>

#include "arith/batch.hpp"
#include "arith/mulmod.hpp"
#include "arith/number_theory.hpp"

namespace quorvel {

namespace {

/// The least r with r*r >= v.
std::uint64_t isqrt_ceil(std::uint64_t v) {
  std::uint64_t r = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(v)));
  while (r * r < v) ++r;
  while (r > 1 && (r - 1) * (r - 1) >= v) --r;
  return r < 1 ? 1 : r;
}

/// Indexes the powers of a part.
void index_powers(dlog_part_t& part) {
  hash_index(part.table, part.powers.data(), part.powers.size());
}

/// The position of z among the powers of a part.
bool scan_log(const dlog_part_t& part, std::uint64_t z, std::uint64_t& log) {
  const std::uint32_t tag = lookup_hash(part.table, part.powers.data(), z);
  if (tag == 0) return false;
  log = tag - 1;
  return true;
}

/// The log of z to the base gamma (order f) by baby-step giant-step:
/// z * gamma^(-m i) = gamma^j gives log z = i m + j.
bool baby_giant_log(const arith_state_t& m, const dlog_part_t& part, std::uint64_t z,
                    std::uint64_t& log) {
  const std::uint64_t steps = (part.f + part.m - 1) / part.m;
  // Eight chains: chain c holds z * giant^(8r + c) in round r.
  std::array<std::uint64_t, 8> x;
  x[0] = z;
  for (int c = 1; c < 8; ++c) x[c] = mul_mod_p_reduced(m, z, part.giant_pow[c - 1]);
  const std::uint64_t g8 = part.giant_pow[7];
  const bdivp_t g8q{part.giant8_quot};
  for (std::uint64_t i0 = 0; i0 < steps; i0 += 8) {
    for (std::uint64_t c = 0; c < 8 && i0 + c < steps; ++c) {
      const std::uint32_t tag = lookup_hash(part.table, part.powers.data(), x[c]);
      if (tag != 0) {
        log = (i0 + c) * part.m + (tag - 1);
        return log < part.f;
      }
    }
    for (int c = 0; c < 8; ++c) x[c] = mul_mod_p_b(m, x[c], g8, g8q);
  }
  return false;
}

/// The log of y (in the subgroup of order f^e) to the base g.
bool part_log(const arith_state_t& m, const dlog_part_t& part, std::uint64_t y,
              std::uint64_t& log) {
  if (part.fe <= dlog_scan_whole) return scan_log(part, y, log);
  // Digits, lowest first: y * g^-acc lies in the subgroup of order
  // f^(e-i); raising it to f^(e-1-i) lands in the subgroup of gamma.
  std::uint64_t acc = 0, fi = 1;
  for (std::uint32_t i = 0; i < part.e; ++i) {
    std::uint64_t z = acc == 0 ? y : mul_mod_p_reduced(m, y, powmod_sse2(m, part.g, part.fe - acc));
    const std::uint64_t lift = part.fe / (fi * part.f);
    if (lift != 1) z = powmod_sse2(m, z, lift);
    std::uint64_t digit;
    const bool ok =
        part.f <= dlog_scan_prime ? scan_log(part, z, digit) : baby_giant_log(m, part, z, digit);
    if (!ok) return false;
    acc += digit * fi;
    fi *= part.f;
  }
  log = acc;
  return true;
}

}  // namespace

std::uint64_t dlog_baby_steps(std::uint64_t f, std::uint64_t lookups) {
  // About f/(2m) giant steps per lookup (half the walk on average) against m
  // stores; a giant step (a product and a look-up) costs about 2.25 stores,
  // so m near sqrt(f * lookups * 9/8), 1.5 times the count of equal costs.
  return std::min({f, isqrt_ceil(f * std::max<std::uint64_t>(lookups, 1) * 9 / 8 + 1),
                   hash_table_t::max_entries});
}

void dlog_prepare(subgroup_dlog_t& d) {
  const arith_state_t& m = d.mod;
  std::uint64_t below = 1;
  for (std::uint32_t i = 0; i < d.nparts; ++i) {
    dlog_part_t& part = d.parts[i];
    part.below = below;
    part.below_inv = i == 0 ? 0
                            : multinv32(static_cast<std::uint32_t>(below % part.fe),
                                        static_cast<std::uint32_t>(part.fe));
    part.fe_div = divisor_t(part.fe);
    below *= part.fe;
    if (part.fe <= dlog_scan_whole) {
      part.powers.resize(part.fe);
      geometric_mod_p(m, 1, part.g, part.fe, part.powers.data());
      index_powers(part);
    } else if (part.f <= dlog_scan_prime) {
      part.powers.resize(part.f);
      geometric_mod_p(m, 1, part.gamma, part.f, part.powers.data());
      index_powers(part);
    } else {
      part.powers.resize(part.m);
      geometric_mod_p(m, 1, part.gamma, part.m, part.powers.data());
      index_powers(part);
      part.giant_pow[0] = part.giant;
      for (int c = 1; c < 8; ++c)
        part.giant_pow[c] = mul_mod_p_reduced(m, part.giant_pow[c - 1], part.giant);
      part.giant8_quot = bdiv_p(m, part.giant_pow[7]).quot;
    }
  }
}

bool dlog_solve(const subgroup_dlog_t& d, const std::uint64_t* y, std::uint64_t& n) {
  std::uint64_t result = 0;
  for (std::uint32_t i = 0; i < d.nparts; ++i) {
    const dlog_part_t& part = d.parts[i];
    std::uint64_t log;
    if (!part_log(d.mod, part, y[i], log)) return false;
    // Join n = result (mod below) with n = log (mod f^e).
    if (i == 0) {
      result = log;
    } else {
      const std::uint64_t r = part.fe_div.mod(result);
      const std::uint64_t diff = log >= r ? log - r : log + part.fe - r;
      result += part.below * part.fe_div.mod(diff * part.below_inv);
    }
  }
  n = result;
  return true;
}

}  // namespace quorvel
