// Slow, obviously correct reference for the near-Mersenne mode: which
// numbers N = 2^a - 2^b + 1 a prime p divides, found pair by pair with
// 128-bit arithmetic (the number itself for a <= 120, otherwise 2^a and 2^b
// modulo p by plain powering), and the ABC file of a set of survivors built
// straight from the documented format. No hash table, no order of 2.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reference/reference.hpp"

namespace quorvel::nm_ref {

using ref::u128;

/// N = 2^a - 2^b + 1 for 1 <= b < a <= 120, exactly.
inline u128 number(std::uint32_t a, std::uint32_t b) { return (u128{1} << a) - (u128{1} << b) + 1; }

/// Is row a sieved with p? A row a > 50 when p is below 2^(a-1) (always for
/// p below 2^50); a row a <= 50 only when p is below 2^(a-2). Either way p
/// is smaller than every N of the row.
inline bool row_sieved(std::uint64_t p, std::uint32_t a) {
  if (a > 64) return true;  // p < 2^64 <= 2^(a-1)
  if (a > 50) return static_cast<u128>(p) < (u128{1} << (a - 1));
  if (a < 2) return false;
  return static_cast<u128>(p) < (u128{1} << (a - 2));
}

/// Does p divide 2^a - 2^b + 1? The number itself is formed for a <= 120
/// (in 64 bits below a = 64, where it fits); beyond, pow2 must hold 2^i mod p
/// for i <= a.
inline bool divides(std::uint64_t p, std::uint32_t a, std::uint32_t b,
                    const std::vector<std::uint64_t>& pow2) {
  if (a < 64) return static_cast<std::uint64_t>(number(a, b)) % p == 0;
  if (a <= 120) return number(a, b) % p == 0;
  return (static_cast<u128>(pow2[a]) + p + 1 - pow2[b]) % p == 0;
}

/// A near-Mersenne run worked out by brute force: alive[a - alow][b - 1].
struct RefRun {
  std::uint32_t alow, ahigh;
  std::vector<std::vector<bool>> alive;

  RefRun(std::uint32_t alow_, std::uint32_t ahigh_) : alow(alow_), ahigh(ahigh_) {
    for (std::uint32_t a = alow; a <= ahigh; ++a) alive.emplace_back(a > 0 ? a - 1 : 0, true);
  }

  bool is_alive(std::uint32_t a, std::uint32_t b) const { return alive[a - alow][b - 1]; }
  void kill(std::uint32_t a, std::uint32_t b) { alive[a - alow][b - 1] = false; }

  /// Every survivor gone (an ABC file with no candidate lines).
  void kill_all() {
    for (auto& row : alive) row.assign(row.size(), false);
  }

  /// Strikes every pair of a sieved row whose number p divides; returns how
  /// many pairs p divides (alive or not).
  std::uint64_t apply_prime(std::uint64_t p) {
    std::vector<std::uint64_t> pow2;
    if (ahigh > 120) {
      pow2.resize(ahigh + 1);
      for (std::uint32_t i = 0; i <= ahigh; ++i) pow2[i] = ref::powmod(2, i, p);
    }
    std::uint64_t hits = 0;
    for (std::uint32_t a = alow; a <= ahigh; ++a) {
      if (!row_sieved(p, a)) continue;
      for (std::uint32_t b = 1; b < a; ++b) {
        if (!divides(p, a, b, pow2)) continue;
        ++hits;
        kill(a, b);
      }
    }
    return hits;
  }

  std::uint64_t left() const {
    std::uint64_t n = 0;
    for (const auto& row : alive)
      for (bool x : row) n += x;
    return n;
  }

  /// The ABC file of the survivors at sieve depth p: the header, then
  /// "da db" per survivor, counted from (0, 0).
  std::string file(std::uint64_t p) const {
    std::string out = "ABCD 2^$a-2^$b+1 [0 0]\t//sievedepth: " + std::to_string(p) + "\n";
    std::int64_t pa = 0, pb = 0;
    for (std::uint32_t a = alow; a <= ahigh; ++a) {
      for (std::uint32_t b = 1; b < a; ++b) {
        if (!is_alive(a, b)) continue;
        out += std::to_string(static_cast<std::int64_t>(a) - pa) + " " +
               std::to_string(static_cast<std::int64_t>(b) - pb) + "\n";
        pa = a;
        pb = b;
      }
    }
    return out;
  }
};

}  // namespace quorvel::nm_ref
