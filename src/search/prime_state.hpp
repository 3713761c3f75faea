// Per-prime state of the Proth/Riesel search: which k are still searched for
// the current prime, the chunk list of the order of 2, and the factor list of
// p-1 that order_2_bound leaves behind. Everything the search writes while it
// handles one prime lives in this one record, so that several primes can be
// handled side by side later, each with its own record.
#pragma once

#include <array>
#include <cstdint>

#include "quorvel/common.hpp"
#include "search/hash_table.hpp"

namespace quorvel {

/// One prime factor f of p-1 with its multiplicity in p-1 and in the order of
/// 2 (the number of copies order_2_bound keeps).
struct pminus1_prime_t {
  std::uint32_t f;
  std::uint32_t count;
  std::uint32_t kept;
};

struct prime_state_t {
  /// 1 when k index i is still searched for this prime.
  std::array<std::uint8_t, max_k> akmask;
  /// Number of set entries of akmask.
  std::uint32_t kmaskcnt;
  /// The chunks of the order of 2, then a 0 entry.
  std::array<std::uint32_t, 65> ao2bfactors;
  /// Number of chunks.
  std::uint32_t o2bfactors;
  /// The distinct prime factors of p-1 that were found, ascending.
  std::array<pminus1_prime_t, 64> pfactors;
  std::uint32_t npfactors;
  /// B from order_2_bound: a multiple of the order of 2 dividing p-1.
  std::uint64_t b;
  /// Product of the chunks the Silver-Pohlig-Hellman search takes, or 1
  /// when they are too small to use (at most 4).
  std::uint64_t pm;
  /// (-k)^(B/pm) (Proth) or k^(B/pm) (Riesel) for every k still masked in.
  std::array<std::uint64_t, max_k> x;
  /// The hash table of the discrete-log searches (rebuilt per search).
  hash_table_t table;
};

/// The state of the prime being handled.
extern prime_state_t prime_state;

}  // namespace quorvel
