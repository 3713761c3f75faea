// Sieving k*2^n+-1 over a range of n by primes rather than by numbers.
//
// For an odd prime p not dividing k, p | k*2^n+1 exactly when 2^n == -1/k
// and p | k*2^n-1 exactly when 2^n == 1/k (mod p). If s is the logarithm of
// u = -k (Proth) or u = k (Riesel) to the base 2, these n form the single
// class n == -s modulo the order of 2; when u is no power of 2 no n at all.
// So each prime costs one batch of discrete logarithms for all k, shared
// set-up included, and then a walk of that class through a per-k bitmap of
// struck n (strides of ord, so the whole range costs range / ord steps).
//
// p = 2 divides the number only for n = 0 (k is odd), and the numbers up to
// the bound are decided directly: kept exactly when prime. Long ranges are
// sieved in passes (windows of n) so that the bitmaps of all k stay within a
// fixed budget; each pass runs through all the primes again.
#include "newdat/candidate_gen.hpp"

#include <algorithm>
#include <cmath>

#include "newdat/mont32.hpp"
#include "newdat/pow2_dlog.hpp"
#include "newdat/prime_segments.hpp"
#include "quorvel/common.hpp"

namespace quorvel {
namespace {

constexpr std::uint64_t bitmap_budget_bits = std::uint64_t{1} << 29;  // 64 MiB
constexpr std::uint32_t prime_segment_span = 1u << 21;

struct window_t {
  std::uint64_t lo = 0, hi = 0;                    // n range of the window, inclusive
  std::vector<std::vector<std::uint64_t>> struck;  // per k, bit n - lo
};

inline void strike(window_t& w, std::size_t j, std::uint64_t n) {
  const std::uint64_t i = n - w.lo;
  w.struck[j][i >> 6] |= std::uint64_t{1} << (i & 63);
}

inline bool is_struck(const window_t& w, std::size_t j, std::uint64_t n) {
  const std::uint64_t i = n - w.lo;
  return (w.struck[j][i >> 6] >> (i & 63)) & 1;
}

// Primality of x < 2^32 by trial division; `base` holds the primes up to
// sqrt(x).
bool is_small_prime(std::uint64_t x, const std::vector<std::uint32_t>& base) {
  if (x < 2) return false;
  for (const std::uint32_t q : base) {
    if (std::uint64_t{q} * q > x) return true;
    if (x % q == 0) return false;
  }
  return true;
}

// Strikes, for every k, the n of the window divisible by an odd prime <= bound.
void sieve_window(int form, const std::vector<std::int32_t>& ks, std::uint32_t bound,
                  const std::vector<std::uint32_t>& base, window_t& w) {
  const std::size_t nk = ks.size();
  std::vector<std::uint32_t> primes, targets(nk), target_k(nk), logs(nk);
  std::vector<prime_power_t> pminus1_factors, ord_factors;
  dlog_scratch_t scratch;
  for (std::uint64_t seg = 3; seg <= bound; seg += prime_segment_span) {
    const std::uint64_t seg_hi = std::min<std::uint64_t>(bound, seg + prime_segment_span - 1);
    odd_primes_in(static_cast<std::uint32_t>(seg), static_cast<std::uint32_t>(seg_hi), base,
                  primes);
    for (const std::uint32_t p : primes) {
      const mont32_t m = make_mont32(p);
      std::size_t count = 0;
      for (std::size_t j = 0; j < nk; ++j) {
        const std::uint32_t kr = static_cast<std::uint32_t>(ks[j]) % p;
        if (kr == 0) continue;  // the number is +-1 mod p
        const std::uint32_t u = mont32_to(m, kr);
        targets[count] = form == mode_proth ? mont32_neg(m, u) : u;
        target_k[count] = static_cast<std::uint32_t>(j);
        ++count;
      }
      if (count == 0) continue;
      factor_u32(p - 1, base, pminus1_factors);
      const std::uint32_t ord = order_of_2(m, pminus1_factors, ord_factors);
      pow2_dlog_batch(m, ord, ord_factors, targets.data(), count, logs.data(), scratch);
      for (std::size_t c = 0; c < count; ++c) {
        if (logs[c] == no_dlog) continue;
        const std::uint64_t n0 = (ord - logs[c]) % ord;
        const std::uint64_t first = w.lo + (n0 + ord - w.lo % ord) % ord;
        for (std::uint64_t n = first; n <= w.hi; n += ord) strike(w, target_k[c], n);
      }
    }
  }
}

// Settles n = 0 (an even number) and every number up to the bound.
void settle_small_numbers(int form, const std::vector<std::int32_t>& ks, std::uint32_t bound,
                          const std::vector<std::uint32_t>& base, window_t& w) {
  for (std::size_t j = 0; j < ks.size(); ++j) {
    // k*2^n >= 2^33 > bound from n = 33 on.
    for (std::uint64_t n = w.lo; n <= w.hi && n <= 32; ++n) {
      const std::uint64_t k_pow = static_cast<std::uint64_t>(ks[j]) << n;  // below 2^63
      const std::uint64_t number = form == mode_proth ? k_pow + 1 : k_pow - 1;
      bool keep;
      if (number <= bound) {
        keep = is_small_prime(number, base);
      } else if (n == 0) {
        keep = false;  // even and above 2
      } else {
        continue;  // the sieve has decided
      }
      const std::uint64_t i = n - w.lo;
      const std::uint64_t bit = std::uint64_t{1} << (i & 63);
      if (keep) {
        w.struck[j][i >> 6] &= ~bit;
      } else {
        w.struck[j][i >> 6] |= bit;
      }
    }
  }
}

}  // namespace

candidate_lists_t generate_candidates(int form, const std::vector<std::int32_t>& ks,
                                      std::uint32_t nmin, std::uint32_t nmax, std::uint32_t bound) {
  const std::uint64_t span = ks.empty() ? 1 : bitmap_budget_bits / ks.size() / 64 * 64;
  return generate_candidates_in_passes(form, ks, nmin, nmax, bound, span);
}

candidate_lists_t generate_candidates_in_passes(int form, const std::vector<std::int32_t>& ks,
                                                std::uint32_t nmin, std::uint32_t nmax,
                                                std::uint32_t bound, std::uint64_t pass_span) {
  candidate_lists_t lists(ks.size());
  if (ks.empty() || nmin > nmax) return lists;
  if (pass_span == 0) pass_span = 1;
  const std::uint32_t root = static_cast<std::uint32_t>(std::sqrt(static_cast<double>(bound)));
  const std::vector<std::uint32_t> base = primes_up_to(std::min<std::uint32_t>(root + 1, 65535));

  window_t w;
  for (std::uint64_t lo = nmin; lo <= nmax; lo += pass_span) {
    w.lo = lo;
    w.hi = std::min<std::uint64_t>(nmax, lo + pass_span - 1);
    const std::size_t words = static_cast<std::size_t>((w.hi - w.lo + 1 + 63) / 64);
    w.struck.assign(ks.size(), std::vector<std::uint64_t>(words, 0));
    sieve_window(form, ks, bound, base, w);
    settle_small_numbers(form, ks, bound, base, w);
    for (std::size_t j = 0; j < ks.size(); ++j)
      for (std::uint64_t n = w.lo; n <= w.hi; ++n)
        if (!is_struck(w, j, n)) lists[j].push_back(static_cast<std::uint32_t>(n));
  }
  return lists;
}

}  // namespace quorvel
