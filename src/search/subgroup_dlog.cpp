// Pohlig-Hellman logarithms in a subgroup of smooth order (see the header).
#include "search/subgroup_dlog.hpp"

#include "arith/batch.hpp"
#include "arith/mulmod.hpp"
#include "arith/number_theory.hpp"
#include "quorvel/common.hpp"

namespace quorvel {

namespace {

/// Below this many elements a prime-order subgroup is scanned outright.
constexpr std::uint64_t scan_limit = 48;

std::uint64_t isqrt_ceil(std::uint64_t v) {
  std::uint64_t r = 1;
  while (r * r < v) ++r;
  return r;
}

/// The log of z to the base gamma (order f), or false.
bool prime_order_log(const dlog_part_t& part, std::uint64_t z, std::uint64_t& digit) {
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
                  const std::pair<std::uint64_t, std::uint32_t>* factors, std::uint32_t nfactors) {
  d.order = order;
  d.nparts = nfactors;
  std::array<std::uint64_t, 16> bases{}, exps{}, out{};
  for (std::uint32_t i = 0; i < nfactors; ++i) {
    dlog_part_t& part = d.parts[i];
    part.f = factors[i].first;
    part.e = factors[i].second;
    part.fe = 1;
    for (std::uint32_t j = 0; j < part.e; ++j) part.fe *= part.f;
    bases[i] = h;
    exps[i] = order / part.fe;
  }
  powmod_many(bases.data(), exps.data(), out.data(), nfactors);
  for (std::uint32_t i = 0; i < nfactors; ++i) {
    d.parts[i].g = out[i];
    bases[i] = out[i];
    exps[i] = d.parts[i].fe / d.parts[i].f;
  }
  powmod_many(bases.data(), exps.data(), out.data(), nfactors);
  for (std::uint32_t i = 0; i < nfactors; ++i) {
    dlog_part_t& part = d.parts[i];
    part.gamma = out[i];
    if (part.f <= scan_limit) {
      part.m = 0;
      part.powers.resize(part.f);
      std::uint64_t v = 1;
      for (std::uint64_t j = 0; j < part.f; ++j) {
        part.powers[j] = v;
        v = mul_mod_p_reduced(v, part.gamma);
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
      // The giant step is the inverse of gamma^m: gamma^(f - m mod f).
      part.giant = powmod_sse2(part.gamma, part.f - part.m % part.f);
    }
  }
}

void dlog_find(subgroup_dlog_t& d, const std::uint64_t* x, std::uint64_t* n, bool* ok,
               std::uint32_t count) {
  std::array<std::uint64_t, max_k> exps, y;
  for (std::uint32_t i = 0; i < count; ++i) {
    n[i] = 0;
    ok[i] = true;
  }
  std::uint64_t modulus = 1;
  for (std::uint32_t pi = 0; pi < d.nparts; ++pi) {
    const dlog_part_t& part = d.parts[pi];
    for (std::uint32_t i = 0; i < count; ++i) exps[i] = d.order / part.fe;
    powmod_many(x, exps.data(), y.data(), count);
    const std::uint64_t inv =
        modulus == 1 ? 0 : multinv32(static_cast<std::uint32_t>(modulus % part.fe),
                                     static_cast<std::uint32_t>(part.fe));
    for (std::uint32_t i = 0; i < count; ++i) {
      if (!ok[i]) continue;
      // Digits of the log modulo f^e, lowest first: y * g^-acc lies in the
      // subgroup of order f^(e-i); raising it to f^(e-1-i) lands in <gamma>.
      std::uint64_t acc = 0, fi = 1;
      for (std::uint32_t j = 0; j < part.e && ok[i]; ++j) {
        std::uint64_t z = acc == 0 ? y[i] : mul_mod_p_reduced(y[i], powmod_sse2(part.g, part.fe - acc));
        const std::uint64_t lift = part.fe / (fi * part.f);
        if (lift != 1) z = powmod_sse2(z, lift);
        std::uint64_t digit = 0;
        ok[i] = prime_order_log(part, z, digit);
        acc += digit * fi;
        fi *= part.f;
      }
      if (!ok[i]) continue;
      // Join n = n[i] (mod modulus) with n = acc (mod f^e).
      if (modulus == 1) {
        n[i] = acc;
      } else {
        const std::uint64_t diff = (acc + part.fe - n[i] % part.fe) % part.fe;
        n[i] += modulus * (diff * inv % part.fe);
      }
    }
    modulus *= part.fe;
  }
}

}  // namespace quorvel
