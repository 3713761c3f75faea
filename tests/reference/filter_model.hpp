// A literal, slow model of which k the Proth/Riesel search drops for a prime
// (the statistics "# Whacked k" and "# Whacked p" count them): the
// quadratic-residue screen with the Jacobi symbol from Euler's criterion, the
// power test v^(B / gcd(P, B)) = 1 with 128-bit powers, and the
// Silver-Pohlig-Hellman drops: no logarithm of (-+k)^(B/Pm) to the base
// 2^(-B/Pm) (found by a plain baby-step giant-step), a logarithm that
// contradicts the k's own class modulo gcd(Pm, P), or a first exponent of the
// joined class above nhigh. B, the chunks and Pm come from the model of the
// order bound.
#pragma once

#include <cstdint>
#include <numeric>
#include <vector>

#include "reference/dlog_reference.hpp"
#include "reference/order_reference.hpp"
#include "reference/reference.hpp"

namespace quorvel::ref {

struct KModel {
  std::int64_t k;
  std::int64_t legk;  ///< 0: no screen
  std::uint64_t power, equiv;
};

struct DropCounts {
  std::uint64_t whacked_k = 0, whacked_p = 0;
};

/// Jacobi (a/n) for odd n from Euler's criterion over n's prime powers.
inline int jacobi_model(std::uint64_t a, std::uint64_t n) {
  int s = 1;
  std::uint64_t rest = n;
  for (std::uint64_t q : prime_factors(n)) {
    while (rest % q == 0) {
      rest /= q;
      const std::uint64_t r = a % q;
      if (r == 0) return 0;
      if (powmod(r, (q - 1) / 2, q) != 1) s = -s;
    }
  }
  return s;
}

/// Legendre (a/p) for an odd prime p, by Euler's criterion.
inline int legendre_model(std::uint64_t a, std::uint64_t p) {
  if (a % p == 0) return 0;
  return powmod(a, (p - 1) / 2, p) == 1 ? 1 : -1;
}

/// The drops for prime p (sieve_primes: the record of p-1's primes >= 31).
inline DropCounts drops_model(std::uint64_t p, const std::vector<std::uint32_t>& sieve_primes,
                              const std::vector<KModel>& ks, bool proth, std::uint32_t hb,
                              std::uint32_t nlow, std::uint32_t nhigh) {
  DropCounts out;
  const OrderBound ob = order_bound_model(p, sieve_primes, hb, nhigh - nlow);
  const std::uint64_t b = ob.b;
  std::vector<std::size_t> kept;
  for (std::size_t i = 0; i < ks.size(); ++i) {
    const KModel& km = ks[i];
    bool pass = true;
    if (km.legk != 0) {
      // The screen: L must be a residue, and with 2 a non-residue the parity
      // of the k's n must fit (k*2^n = sigma has (2/p)^n = (sigma k/p)).
      const std::int64_t sigma_k = proth ? -km.k : km.k;
      const int sk = legendre_model(
          (static_cast<std::uint64_t>(sigma_k % static_cast<std::int64_t>(p)) + p) % p, p);
      const bool two_nonresidue = p % 8 == 3 || p % 8 == 5;
      if (two_nonresidue && km.power % 2 == 0 && (km.equiv & 1) == (sk == 1 ? 1u : 0u)) pass = false;
      const int l = legendre_model(
          (static_cast<std::uint64_t>(km.legk % static_cast<std::int64_t>(p)) + p) % p, p);
      if (pass) pass = l == 1;
    }
    if (pass) {
      const std::uint64_t kp = static_cast<std::uint64_t>(km.k) % p;
      std::uint64_t v = mulmod(kp, powmod(2, km.equiv, p), p);
      if (proth) v = (p - v) % p;
      pass = powmod(v, b / std::gcd(km.power, b), p) == 1;
    }
    if (pass) kept.push_back(i);
    else ++out.whacked_k;
  }
  if (kept.empty()) {
    ++out.whacked_p;
    return out;
  }
  std::uint64_t pm = 1;
  for (std::uint32_t c : ob.chunks) {
    if (c > (nhigh - nlow) / pm) break;
    pm *= c;
  }
  if (pm <= 4) return out;
  const std::uint64_t h = powmod((p + 1) / 2, b / pm, p);
  std::size_t left = kept.size();
  for (std::size_t i : kept) {
    const KModel& km = ks[i];
    const std::uint64_t kp = static_cast<std::uint64_t>(km.k) % p;
    const std::uint64_t base = proth ? (p - kp) % p : kp;
    const std::int64_t n0 = bsgs_log(powmod(base, b / pm, p), h, pm, p);
    bool drop = n0 < 0;
    if (!drop) {
      const std::uint64_t g = std::gcd(pm, km.power);
      drop = (static_cast<std::uint64_t>(n0) + km.power - km.equiv % km.power) % g != 0;
      if (!drop) {
        std::uint64_t n = static_cast<std::uint64_t>(n0);
        while (n % km.power != km.equiv % km.power) n += pm;
        drop = n > nhigh;
      }
    }
    if (drop) {
      ++out.whacked_k;
      --left;
    }
  }
  if (left == 0) ++out.whacked_p;
  return out;
}

}  // namespace quorvel::ref
