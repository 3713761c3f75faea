// Slow, obviously correct reference for the k-range modes: divisibility of
// k*2^n+-1 by direct 128-bit arithmetic, and a brute-force k-range run that
// tests every odd k, every n and every prime one by one. Small inputs only.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reference/reference.hpp"

namespace quorvel::krange_ref {

using ref::u128;

/// Does p divide k*2^n + side (side +1 or -1)? For n <= 90 the number itself
/// is formed in 128 bits; beyond that pow2n must be 2^n mod p.
inline bool divides(std::uint64_t p, std::uint64_t k, std::uint64_t n, int side,
                    std::uint64_t pow2n) {
  if (k < (std::uint64_t{1} << 36) && n <= 90) {
    const u128 v = (static_cast<u128>(k) << n);
    const u128 number = side > 0 ? v + 1 : v - 1;
    return number % p == 0;
  }
  const std::uint64_t t = ref::mulmod(k % p, pow2n, p);
  return side > 0 ? (t + 1) % p == 0 : t == 1 % p;
}

/// A k-range run worked out by brute force. alive[i] belongs to k = klow + 2i.
struct RefRun {
  std::uint64_t klow, khigh, nlow, nhigh;
  bool minus = true, plus = true, twin = false;
  std::vector<bool> alive_minus, alive_plus;  // twin mode uses alive_minus only
  std::string report;                         // the expected report lines

  RefRun(std::uint64_t klow_, std::uint64_t khigh_, std::uint64_t nlow_, std::uint64_t nhigh_)
      : klow(klow_), khigh(khigh_), nlow(nlow_), nhigh(nhigh_) {
    const std::size_t count = static_cast<std::size_t>((khigh - klow) / 2 + 1);
    alive_minus.assign(count, true);
    alive_plus.assign(count, true);
  }

  std::uint64_t k_of(std::size_t i) const { return klow + 2 * i; }
  std::size_t count() const { return alive_minus.size(); }

  /// Strikes every k the prime p removes, in the program's order: exponent
  /// by exponent (twin mode: nlow only), the minus side before the plus side.
  void apply_prime(std::uint64_t p) {
    const std::uint64_t last_n = twin ? nlow : nhigh;
    for (std::uint64_t n = nlow; n <= last_n; ++n) {
      const std::uint64_t pow2n = ref::powmod(2, n, p);
      for (int side : {-1, +1}) {
        if (side < 0 && !minus) continue;
        if (side > 0 && !plus) continue;
        std::vector<bool>& alive = (side < 0 || twin) ? alive_minus : alive_plus;
        for (std::size_t i = 0; i < count(); ++i) {
          if (!divides(p, k_of(i), n, side, pow2n)) continue;
          // A number equal to p is prime: p does not strike its k.
          if (n < 64 && ((static_cast<u128>(k_of(i)) << n) + side) == p) continue;
          if (alive[i] && p >= khigh) {
            report += ref::factor_line(p, static_cast<std::int64_t>(k_of(i)),
                                       static_cast<std::uint32_t>(n), side) +
                      "\n";
          }
          alive[i] = false;
        }
      }
    }
  }

  /// apply_prime(p), returning the report lines that p adds.
  std::string report_of_prime(std::uint64_t p) {
    const std::size_t before = report.size();
    apply_prime(p);
    return report.substr(before);
  }

  /// Lines of a k-range file after a run to depth p; `form` is the header
  /// after the depth.
  std::string file(const std::vector<bool>& alive, std::uint64_t p, const char* form) const {
    std::string out = std::to_string(p) + form + "\n";
    for (std::size_t i = 0; i < count(); ++i)
      if (alive[i]) out += std::to_string(k_of(i)) + " " + std::to_string(nlow) + "\n";
    return out;
  }

  /// The three files: plus side (k*2^n+1: P, mask 1), minus side
  /// (k*2^n-1: M, mask 2), twin (both: T, mask 3).
  std::string plus_file(std::uint64_t p) const { return file(alive_plus, p, ":P:0:2:1"); }
  std::string minus_file(std::uint64_t p) const { return file(alive_minus, p, ":M:0:2:2"); }
  std::string twin_file(std::uint64_t p) const { return file(alive_minus, p, ":T:0:2:3"); }

  std::uint64_t left() const {
    std::uint64_t c = 0;
    for (std::size_t i = 0; i < count(); ++i) {
      if (twin) {
        c += alive_minus[i];
      } else {
        c += (minus && alive_minus[i]) + (plus && alive_plus[i]);
      }
    }
    return c;
  }
};

}  // namespace quorvel::krange_ref
