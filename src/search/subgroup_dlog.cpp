// Pohlig-Hellman logarithms in a subgroup of smooth order (see the header).
#include "search/subgroup_dlog.hpp"

#include "arith/mulmod.hpp"

namespace quorvel {

namespace {

/// Below this many elements a prime-order subgroup is scanned outright.
constexpr std::uint64_t scan_limit = 48;

std::uint64_t isqrt_ceil(std::uint64_t v) {
  std::uint64_t r = 1;
  while (r * r < v) ++r;
  return r;
}

/// a^-1 mod m for gcd(a, m) = 1, m >= 2.
std::uint64_t inverse_mod(std::uint64_t a, std::uint64_t m) {
  std::int64_t r0 = static_cast<std::int64_t>(m), r1 = static_cast<std::int64_t>(a % m);
  std::int64_t x0 = 0, x1 = 1;
  while (r1 != 0) {
    const std::int64_t q = r0 / r1;
    std::int64_t t = r0 - q * r1;
    r0 = r1;
    r1 = t;
    t = x0 - q * x1;
    x0 = x1;
    x1 = t;
  }
  return static_cast<std::uint64_t>(x0 < 0 ? x0 + static_cast<std::int64_t>(m) : x0);
}

/// The log of z to the base gamma (order f), or false.
bool prime_order_log(dlog_part_t& part, std::uint64_t z, std::uint64_t& digit) {
  if (part.m == 0) {
    for (std::uint64_t j = 0; j < part.powers.size(); ++j) {
      if (part.powers[j] == z) {
        digit = j;
        return true;
      }
    }
    return false;
  }
  const auto bdivp = bdiv_p(part.giant);
  for (std::uint64_t i = 0; i * part.m < part.f; ++i) {
    const std::uint32_t tag = lookup_hash(part.table, z, 0);
    if (tag != 0) {
      digit = i * part.m + (tag - 1);
      return digit < part.f;
    }
    z = mul_mod_p_b(z, part.giant, bdivp);
  }
  return false;
}

}  // namespace

void dlog_prepare(subgroup_dlog_t& d, std::uint64_t h, std::uint64_t order,
                  const std::vector<std::pair<std::uint64_t, std::uint32_t>>& factors) {
  d.order = order;
  d.parts.resize(factors.size());
  for (std::size_t i = 0; i < factors.size(); ++i) {
    dlog_part_t& part = d.parts[i];
    part.f = factors[i].first;
    part.e = factors[i].second;
    part.fe = 1;
    for (std::uint32_t j = 0; j < part.e; ++j) part.fe *= part.f;
    part.cofactor = order / part.fe;
    part.g = powmod_sse2(h, part.cofactor);
    part.gamma = powmod_sse2(part.g, part.fe / part.f);
    part.powers.clear();
    if (part.f <= scan_limit) {
      part.m = 0;
      std::uint64_t v = 1;
      for (std::uint64_t j = 0; j < part.f; ++j) {
        part.powers.push_back(v);
        v = mul_mod_p(v, part.gamma);
      }
    } else {
      part.m = isqrt_ceil(part.f);
      hash_reset(part.table, part.m);
      std::uint64_t v = 1;
      const auto bdivp = bdiv_p(part.gamma);
      for (std::uint64_t j = 0; j < part.m; ++j) {
        store_hash(part.table, v, static_cast<std::uint32_t>(j + 1));
        v = mul_mod_p_b(v, part.gamma, bdivp);
      }
      // v = gamma^m; the giant step is its inverse, gamma^(f - m).
      part.giant = powmod_sse2(part.gamma, part.f - part.m % part.f);
    }
  }
}

bool dlog_find(subgroup_dlog_t& d, std::uint64_t x, std::uint64_t& n) {
  std::uint64_t result = 0, modulus = 1;
  for (dlog_part_t& part : d.parts) {
    const std::uint64_t y = powmod_sse2(x, part.cofactor);
    // Digits of the log modulo f^e, lowest first: y * g^-acc lies in the
    // subgroup of order f^(e-i); raising it to f^(e-1-i) lands in <gamma>.
    std::uint64_t acc = 0, fi = 1;
    for (std::uint32_t i = 0; i < part.e; ++i) {
      const std::uint64_t shifted = mul_mod_p(y, powmod_sse2(part.g, part.fe - acc));
      const std::uint64_t z = powmod_sse2(shifted, part.fe / (fi * part.f));
      std::uint64_t digit;
      if (!prime_order_log(part, z, digit)) return false;
      acc += digit * fi;
      fi *= part.f;
    }
    // Join n = result (mod modulus) with n = acc (mod f^e).
    const std::uint64_t diff = (acc + part.fe - result % part.fe) % part.fe;
    const std::uint64_t t =
        static_cast<std::uint64_t>(static_cast<unsigned __int128>(diff) *
                                   inverse_mod(modulus % part.fe, part.fe) % part.fe);
    result += modulus * t;
    modulus *= part.fe;
  }
  n = result;
  return true;
}

}  // namespace quorvel
