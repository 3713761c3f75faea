// Planting known factors for the search tests: the exponents n in a range
// with p | k*2^n + sign, found by a plain baby-step giant-step discrete log
// (std::unordered_map, 128-bit arithmetic), meant for p below ~10^10.
// The tests only use this to make sure a candidate file holds factors; the
// factors themselves are always checked with ref::factors.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "reference/reference.hpp"

namespace quorvel::ref {

/// The log of x to the base h of order m modulo p (0 <= log < m), or -1 when
/// x is no power of h; plain baby-step giant-step.
inline std::int64_t bsgs_log(std::uint64_t x, std::uint64_t h, std::uint64_t m, std::uint64_t p) {
  std::uint64_t s = 1;
  while (s * s < m) ++s;
  std::unordered_map<std::uint64_t, std::uint64_t> baby;
  std::uint64_t v = 1;
  for (std::uint64_t j = 0; j < s; ++j) {
    baby.emplace(v, j);
    v = mulmod(v, h, p);
  }
  const std::uint64_t giant = powmod(powmod(h, s, p), p - 2, p);  // h^-s
  std::uint64_t t = x;
  for (std::uint64_t i = 0; i * s < m + s; ++i) {
    auto it = baby.find(t);
    if (it != baby.end()) return static_cast<std::int64_t>((i * s + it->second) % m);
    t = mulmod(t, giant, p);
  }
  return -1;
}

/// Every n in [lo, hi] with p | k*2^n + sign (sign +1 or -1), p an odd prime
/// not dividing k.
inline std::vector<std::uint64_t> solutions_in(std::uint64_t k, int sign, std::uint64_t p,
                                               std::uint64_t lo, std::uint64_t hi) {
  std::vector<std::uint64_t> out;
  const std::uint64_t kp = k % p;
  if (kp == 0) return out;
  // 2^n = target with target = -1/k (Proth) or 1/k (Riesel).
  const std::uint64_t kinv = powmod(kp, p - 2, p);
  const std::uint64_t target = sign > 0 ? p - kinv : kinv;
  const std::uint64_t ord = order_mod(2, p);
  const std::int64_t log = bsgs_log(target, 2, ord, p);
  if (log < 0) return out;
  std::uint64_t n = static_cast<std::uint64_t>(log);
  if (n < lo) n += (lo - n + ord - 1) / ord * ord;
  for (; n <= hi; n += ord) out.push_back(n);
  return out;
}

}  // namespace quorvel::ref
