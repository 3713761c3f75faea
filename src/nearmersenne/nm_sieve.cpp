// Near-Mersenne elimination for one prime p.
//
// p divides N = 2^a - 2^b + 1 exactly when 2^b == 2^a + 1 (mod p). The
// routine walks f = 2^a mod p for a = 1 .. nm_ahigh by doubling, keeps the
// first exponent of every power met in the exponent table, and for each
// sieved row looks up 2^a + 1: the exponent found, b0, is the smallest
// solution, and the others are b0 + o, b0 + 2o, ... below a, o being the
// order of 2 modulo p. The order is found by the walk itself: it is the
// first a with 2^a == 1. Until then (or when it exceeds nm_ahigh) two
// solutions of one row would be at least the order apart, more than the
// row is long, so b0 is the only one. Finding the order this way needs no
// factorisation of p - 1 and is exact, also for primes whose p - 1 the prime
// stream leaves partly unfactored.
//
// Once the order o is known the powers repeat, so exponents are stored only
// for a <= o, and every stored residue is new: no lookup is needed before a
// store. The table holds exponents 1 .. a-1 while row a is looked up, so
// every b found is below a. Rows a <= 50 are sieved only for p < 2^(a-2),
// rows a > 50 for p < 2^(a-1) (every p below 2^50); either way every N of
// the row exceeds p, so no N equal to p is ever removed. A row a > 50 left
// out misses nothing else: there p >= 2^(a-1) and N < 2^a <= 2p, so p can
// divide N only as N = p.
#include "nearmersenne/nm_sieve.hpp"

#include <bit>
#include <cstdio>

#include "nearmersenne/nearmersenne.hpp"
#include "nearmersenne/nm_hash.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

namespace nm {

std::uint32_t cnt = 0;

std::uint32_t first_sieved_row(std::uint64_t p) {
  // p < 2^(a-2) <=> a - 2 >= bit width of p; p < 2^(a-1) <=> a - 1 >= it.
  const std::uint32_t width = static_cast<std::uint32_t>(std::bit_width(p));
  const std::uint32_t high_rows = width + 1 > 51 ? width + 1 : 51;
  return width + 2 < high_rows ? width + 2 : high_rows;
}

}  // namespace nm

void nm_do_p(std::uint64_t p) {
  if (++nm::cnt == 10) {
    std::printf("trying p: %llu (%llu numbers left)\n", static_cast<unsigned long long>(p),
                static_cast<unsigned long long>(nm_candidates));
    std::fflush(stdout);
    nm::cnt = 0;
  }
  const std::uint32_t alow = nm_alow, ahigh = nm_ahigh;
  nm::exponent_table_t& t = nm::exponent_table;
  const std::uint64_t row_bits = 8 * nm_rowbytes();
  if (p < 3 || (p & 1) == 0 || alow == 0 || ahigh < alow || t.keys.size() <= ahigh ||
      nm_bitmap.size() < nm_rowbytes() * (ahigh - alow + 1)) {
    return;  // not a trial prime, or the mode is not set up
  }
  nm::hash_clear(t);

  std::uint8_t* const bits = nm_bitmap.data();
  std::uint64_t left = nm_candidates;
  const auto eliminate = [&](std::uint64_t j) {
    std::uint8_t& byte = bits[j >> 3];
    const auto mask = static_cast<std::uint8_t>(1u << (j & 7));
    left -= (byte & mask) == 0 ? 1 : 0;
    byte |= mask;
  };

  std::uint32_t first = nm::first_sieved_row(p);
  if (first < alow) first = alow;

  // The table's fields in locals: the stores below cannot alias them.
  std::uint32_t* const slots = t.slots.data();
  std::uint64_t* const keys = t.keys.data();
  const std::uint32_t mask = t.mask, stamp = t.stamp;
  const auto lookup = [&](std::uint64_t key) -> std::uint32_t {
    for (std::uint32_t s = static_cast<std::uint32_t>(key) & mask;; s = (s + 1) & mask) {
      const std::uint32_t word = slots[s];
      if ((word & 0xFFFF0000u) != stamp) return 0;
      if (keys[word & 0xFFFFu] == key) return word & 0xFFFFu;
    }
  };
  const auto store = [&](std::uint64_t key, std::uint32_t e) {
    std::uint32_t s = static_cast<std::uint32_t>(key) & mask;
    while ((slots[s] & 0xFFFF0000u) == stamp) s = (s + 1) & mask;
    slots[s] = stamp | e;
    keys[e] = key;
  };

  std::uint64_t f = 1;    // 2^a mod p
  std::uint32_t ord = 0;  // order of 2 modulo p once met, else 0
  std::uint32_t a = 1;
  // Rows below the first sieved one only record their powers.
  for (; a < first && a <= ahigh; ++a) {
    f += f;
    f -= f >= p ? p : 0;
    if (ord == 0) {
      if (f == 1) ord = a;
      store(f, a);
    }
  }
  for (; a <= ahigh; ++a) {
    f += f;
    f -= f >= p ? p : 0;
    // f = p - 1 gives p, which matches no stored residue: no b solves that row.
    const std::uint32_t b0 = lookup(f + 1);
    if (b0 != 0) [[unlikely]] {
      const std::uint64_t row = (static_cast<std::uint64_t>(a) - alow) * row_bits;
      eliminate(row + b0 - 1);
      if (ord != 0) {
        for (std::uint32_t b = b0 + ord; b < a; b += ord) eliminate(row + b - 1);
      }
    }
    if (ord == 0) {
      if (f == 1) ord = a;
      store(f, a);
    }
  }
  t.used = ord != 0 ? ord : ahigh;
  nm_candidates = left;
}

}  // namespace quorvel
