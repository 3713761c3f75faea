// A literal, slow model of the order-of-2 bound and its chunk list: the
// factor list F holds every prime factor of p-1 with multiplicity, entries are
// removed one at a time while 2^(B/F[i]) = 1, and the chunks are formed by
// walking F position by position, looking at the neighbouring entries
// directly. Powers use 128-bit arithmetic.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "reference/reference.hpp"

namespace quorvel::ref {

struct OrderBound {
  std::uint64_t b;
  std::vector<std::uint32_t> chunks;
};

/// sieve_primes: the primes 31..Q dividing p-1, ascending; hb: hash_bits;
/// range: nhigh - nlow.
inline OrderBound order_bound_model(std::uint64_t p, const std::vector<std::uint32_t>& sieve_primes,
                                    std::uint32_t hb, std::uint32_t range) {
  const std::uint64_t q = p - 1;
  std::vector<std::uint64_t> f = {2};
  std::uint64_t r = 2;
  while ((q & r) == 0) {
    f.push_back(2);
    r *= 2;
  }
  // r * d in 128 bits: near 2^62 it can pass 2^64.
  auto divides_q = [q](std::uint64_t r, std::uint64_t d) {
    return static_cast<u128>(q) % (static_cast<u128>(r) * d) == 0;
  };
  for (std::uint64_t d : {3, 5, 7, 11, 13, 17, 19, 23, 29}) {
    while (divides_q(r, d)) {
      f.push_back(d);
      r *= d;
    }
  }
  for (std::uint64_t d : sieve_primes) {
    f.push_back(d);
    r *= d;
    while (divides_q(r, d)) {
      f.push_back(d);
      r *= d;
    }
  }
  f.push_back(0);
  std::vector<std::uint64_t> power(f.size(), 0);
  std::uint64_t b = q;
  for (std::size_t i = 0; f[i] != 0;) {
    if (powmod(2, b / f[i], p) == 1) {
      b /= f[i];
      f[i] = 0;
      ++i;
      continue;
    }
    std::size_t e = 0;
    while (f[i + e] == f[i]) ++e;
    for (std::size_t j = 0; j < e; ++j) {
      std::uint64_t pw = 1;
      for (std::size_t t = 0; t < e - j; ++t) pw *= f[i];
      power[i + j] = pw;
    }
    i += e;
  }
  OrderBound out{b, {}};
  const std::uint64_t lim = std::min<std::uint64_t>(std::uint64_t{1} << (2 * hb - 1), range / 2);
  for (std::size_t i = 0; i + 1 < f.size(); ++i) {
    const std::uint64_t w = f[i];
    if (w == 0) continue;
    if (w > (std::uint64_t{1} << (2 * hb))) continue;
    if (out.chunks.empty()) {
      out.chunks.push_back(static_cast<std::uint32_t>(w));
      continue;
    }
    const std::uint64_t c = out.chunks.back();
    const bool prev_w = i > 0 && f[i - 1] == w;
    const bool next_w = f[i + 1] == w;
    bool merge;
    if (w * c > 29999) {
      merge = prev_w && c > w;
    } else {
      merge = !(next_w && !prev_w && power[i] * c > 29999);
    }
    if (!merge) {
      out.chunks.push_back(static_cast<std::uint32_t>(w));
    } else if (w * c < lim) {
      out.chunks.back() = static_cast<std::uint32_t>(w * c);
    }
  }
  return out;
}

}  // namespace quorvel::ref
