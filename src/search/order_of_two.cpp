// The order of 2 modulo p, as far as p-1 is factored, and its chunk list.
//
// p-1 is split into the factor 2^s, the primes 3 to 29 (trial division), the
// primes 31 to Q that the prime stream recorded for p, and a cofactor U with
// no prime factor up to Q: 1 or one prime when Q^2 > p, possibly a composite
// of large primes above the square of the stream's last base prime (about
// 2^52). For every prime f found, the exponent of f in the order of 2 is found
// from y = 2^((p-1)/f^e) (e the exponent of f in p-1): the order of y is f^v,
// v the number of f-powerings it takes to reach 1. U is coprime to every f
// found, so the order is (a divisor of U) * prod f^v, and B = U * prod f^v is
// a multiple of it that divides p-1 whatever U is; it is the order itself
// when U = 1, or when U is prime and 2^(B/U) != 1. Everything built on B (the
// power test, h = 2^(-B/Pm) of order exactly Pm, the chunks, all from the
// primes found) needs only that B is such a multiple, so a composite U
// weakens the filters a little and never costs a factor.
//
// The chunk list groups the kept prime factors (v copies of each f, in
// increasing f) into small factors of the order, normally at most 29999, for
// the Silver-Pohlig-Hellman search; a chunk is a prime, a product of primes or
// prime powers, or a repeat of the previous chunk standing for the next digit
// of a prime power.
#include "search/order_of_two.hpp"

#include <algorithm>
#include <array>

#include "quorvel/ktable.hpp"
#include "quorvel/search_state.hpp"
#include "search/power_batch.hpp"
#include "search/search.hpp"
#include "search/search_context.hpp"

namespace quorvel {

namespace {

constexpr std::uint32_t small_odd_primes[] = {3, 5, 7, 11, 13, 17, 19, 23, 29};

/// Divides every factor f out of rest; returns f with its multiplicity and
/// power (count 0 when f does not divide rest).
pminus1_prime_t divide_out(std::uint64_t& rest, std::uint32_t f) {
  pminus1_prime_t pf{f, 0, 0};
  while (rest % f == 0) {
    rest /= f;
    pf.power *= f;
    ++pf.count;
  }
  return pf;
}

/// Splits p-1 into its found prime powers (ascending, into st.pfactors) and
/// returns the cofactor.
std::uint64_t factor_p_minus_1(prime_state_t& st) {
  const std::uint64_t q = st.p - 1;
  std::uint32_t n = 0;
  const int twos = __builtin_ctzll(q);
  st.pfactors[n++] = {2, static_cast<std::uint32_t>(twos), 0, std::uint64_t{1} << twos, 1};
  std::uint64_t rest = q >> twos;
  for (std::uint32_t d : small_odd_primes) {
    const pminus1_prime_t pf = divide_out(rest, d);
    if (pf.count != 0) st.pfactors[n++] = pf;
  }
  for (std::uint32_t i = 0; i < st.nsieve; ++i) {
    const pminus1_prime_t pf = divide_out(rest, st.sieve_primes[i]);
    if (pf.count == 0) continue;  // a listed prime that does not divide p-1
    // p-1 < 2^62 has at most 15 distinct prime factors, so the table never
    // overflows; if it did, the prime would stay in the cofactor.
    if (n < st.pfactors.size()) {
      st.pfactors[n++] = pf;
    } else {
      rest *= pf.power;
    }
  }
  st.npfactors = n;
  return rest;
}

/// Builds the chunk list from the kept prime factors.
void build_chunks(prime_state_t& st) {
  const std::uint32_t hb = hash_bits;
  const std::uint64_t r = nhigh - nlow;  // the n range, 32-bit as in the table
  const std::uint64_t lim = std::min<std::uint64_t>(std::uint64_t{1} << (2 * hb - 1), r / 2);
  const std::uint64_t too_big = std::uint64_t{1} << (2 * hb);
  std::uint32_t nchunks = 0;
  for (std::uint32_t i = 0; i < st.npfactors; ++i) {
    const pminus1_prime_t& pf = st.pfactors[i];
    const std::uint64_t w = pf.f;
    if (w > too_big) continue;  // every copy of such a prime is ignored
    for (std::uint32_t j = 0; j < pf.kept; ++j) {
      if (nchunks == 0) {
        st.ao2bfactors[nchunks++] = static_cast<std::uint32_t>(w);
        continue;
      }
      std::uint64_t c = st.ao2bfactors[nchunks - 1];
      const bool prev_is_w = j > 0;  // the entry before is a kept copy of w
      const bool next_is_w = j + 1 < pf.kept;
      bool merge;
      if (w * c > 29999) {
        merge = prev_is_w && c > w;
      } else {
        const std::uint64_t power = pf.kept_power;  // w's full power in the order
        merge = !(next_is_w && !prev_is_w && power * c > 29999);
      }
      if (!merge) {
        st.ao2bfactors[nchunks++] = static_cast<std::uint32_t>(w);
      } else if (w * c < lim) {
        st.ao2bfactors[nchunks - 1] = static_cast<std::uint32_t>(w * c);
      }
    }
  }
  st.ao2bfactors[nchunks] = 0;
  st.o2bfactors = nchunks;
}

/// The product of the chunks taken from the front of the list while they fit
/// into the n range; 1 when that product is at most 4.
std::uint64_t usable_chunk_product(const prime_state_t& st) {
  const std::uint64_t range = nhigh - nlow;
  std::uint64_t pm = 1;
  for (std::uint32_t i = 0; i < st.o2bfactors; ++i) {
    const std::uint64_t c = st.ao2bfactors[i];
    if (c > range / pm) break;
    pm *= c;
  }
  return pm <= 4 ? 1 : pm;
}

/// Factors p-1 and finds the kept copies of every prime factor, for all
/// records at once; a single factor 2 is settled by the quadratic character
/// of 2, known from p mod 8.
void find_order(std::span<prime_state_t*> states, search_context_t& ctx) {
  power_batch_t& batch = ctx.order_batch;
  std::vector<raising_t>& raising = ctx.raising;
  std::vector<raising_t>& next = ctx.raising_next;
  std::array<std::uint64_t, block_capacity> cofactor;
  batch.clear();
  raising.clear();
  for (std::size_t s = 0; s < states.size(); ++s) {
    prime_state_t& st = *states[s];
    cofactor[s] = factor_p_minus_1(st);
    for (std::uint32_t i = 0; i < st.npfactors; ++i) {
      const pminus1_prime_t& pf = st.pfactors[i];
      if (i == 0 && pf.count == 1) {
        const std::uint64_t p8 = st.p % 8;
        raising.push_back({&st, 0, p8 == 1 || p8 == 7 ? 1 : st.p - 1});
      } else {
        raising.push_back({&st, i, 0, batch.add(st, 2, (st.p - 1) / pf.power)});
      }
    }
  }
  batch.run();
  for (raising_t& r : raising) {
    if (!(r.i == 0 && r.st->pfactors[0].count == 1)) r.y = batch[r.power];
  }
  // Raise every y != 1 to its prime, all side by side, until each is 1.
  while (!raising.empty()) {
    batch.clear();
    next.clear();
    for (const raising_t& r : raising) {
      if (r.y == 1) continue;
      pminus1_prime_t& pf = r.st->pfactors[r.i];
      ++pf.kept;
      pf.kept_power *= pf.f;
      next.push_back(r);
      next.back().power = batch.add(*r.st, r.y, pf.f);
    }
    batch.run();
    for (raising_t& r : next) r.y = batch[r.power];
    raising.swap(next);
  }
  for (std::size_t s = 0; s < states.size(); ++s) {
    prime_state_t& st = *states[s];
    std::uint64_t bound = cofactor[s];
    for (std::uint32_t i = 0; i < st.npfactors; ++i) bound *= st.pfactors[i].kept_power;
    st.b = bound;
    build_chunks(st);
    st.pm = usable_chunk_product(st);
  }
}

}  // namespace

void order_2_bound_block(prime_block_t& block, search_context_t& ctx) {
  std::array<prime_state_t*, block_capacity> states;
  for (std::uint32_t j = 0; j < block.count; ++j) states[j] = &block.jobs[j];
  find_order(std::span<prime_state_t*>(states.data(), block.count), ctx);
}

std::uint64_t order_2_bound_with(std::uint64_t p, std::span<const std::uint32_t> sieve_primes,
                                 prime_state_t& st, search_context_t& ctx) {
  st.reset(p, sieve_primes);
  prime_state_t* one = &st;
  find_order(std::span<prime_state_t*>(&one, 1), ctx);
  return st.b;
}

}  // namespace quorvel
