// What the Proth/Riesel search keeps about one prime while it handles it:
// the modulus, the stream's record of p-1, the factors and chunks of the order
// of 2, which k are still searched, and the factors found, held back so that
// the caller reports them in the order of the primes. The search handles
// primes in blocks, a record for each, so that the powers of the primes of a
// block can be computed side by side.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "quorvel/arith_state.hpp"
#include "quorvel/common.hpp"

namespace quorvel {

/// One prime factor f of p-1 with its multiplicity in p-1 and in the order of
/// 2 (the number of copies the order keeps).
struct pminus1_prime_t {
  std::uint32_t f;
  std::uint32_t count;
  std::uint32_t kept;
  std::uint64_t power = 1;       ///< f^count
  std::uint64_t kept_power = 1;  ///< f^kept
};

/// A factor found: p divides ak[kindex]*2^n -+ 1; xmod is the step of the
/// progression of n the search walked.
struct factor_found_t {
  std::uint32_t kindex;
  std::uint32_t n;
  std::uint64_t xmod;
};

struct prime_state_t {
  std::uint64_t p = 0;
  /// The modulus state of p (what set_prime_modulus(p) makes).
  arith_state_t mod{};
  /// The primes 31 <= q <= Q dividing p-1 that the prime stream recorded.
  std::array<std::uint32_t, 16> sieve_primes{};
  std::uint32_t nsieve = 0;
  /// The distinct prime factors of p-1 that were found, ascending.
  std::array<pminus1_prime_t, 16> pfactors{};
  std::uint32_t npfactors = 0;
  /// The chunks of the order of 2, then a 0 entry.
  std::array<std::uint32_t, 65> ao2bfactors{};
  std::uint32_t o2bfactors = 0;
  /// B: a multiple of the order of 2 dividing p-1.
  std::uint64_t b = 0;
  /// Product of the chunks the Silver-Pohlig-Hellman search takes, or 1 when
  /// they are too small to use (at most 4).
  std::uint64_t pm = 1;
  /// 1 when k index i is still searched for this prime.
  std::array<std::uint8_t, max_k> akmask{};
  std::uint32_t kmaskcnt = 0;
  /// The k indices still searched, ascending: the first kmaskcnt entries.
  std::array<std::uint8_t, max_k> kactive{};
  static_assert(max_k <= 256, "k indices are kept in bytes");
  /// The factors found, in the order they are to be reported.
  std::vector<factor_found_t> found;

  /// Sets the record up for prime p with the stream's p-1 record.
  void reset(std::uint64_t prime, std::span<const std::uint32_t> record);
};

/// Primes handled together.
constexpr std::uint32_t block_capacity = 16;

struct prime_block_t {
  std::uint32_t count = 0;
  std::array<prime_state_t, block_capacity> jobs;
};

struct search_context_t;

/// Runs the whole search (filters, Silver-Pohlig-Hellman or plain search) for
/// every prime of the block with the scratch space of ctx; each record's
/// `found` lists its factors in report order. Adds to ctx's drop counts.
void search_block(prime_block_t& block, search_context_t& ctx);

/// Hands the factors of one searched prime to the factor report, in order.
void report_found(const prime_state_t& st);

}  // namespace quorvel
