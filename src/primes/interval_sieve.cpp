// The interval sieve segment by segment: each segment is filled from the
// patterns of the primes 3 to 37, marked by the strides of the base primes
// from 41 to Q (the first base prime whose square reaches the interval's
// top, or the last one), and, where Q^2 falls short of the top, its
// survivors are decided by the exact primality test. Bits past `high` in
// the last segment are ignored.
#include "primes/interval_sieve.hpp"

#include <bit>
#include <cstdio>
#include <cstdlib>

#include "primes/base_primes.hpp"
#include "primes/presieve.hpp"
#include "primes/window.hpp"

namespace quorvel {

namespace {

constexpr std::uint64_t first_sieving_prime = 41;

}  // namespace

interval_sieve::interval_sieve(std::uint32_t odd_numbers)
    : odd_numbers_(odd_numbers),
      segment_bits_(std::min(odd_numbers, primes_detail::max_segment_bits)) {
  if (odd_numbers < (1u << 10) || odd_numbers > (1u << 26) ||
      (odd_numbers & (odd_numbers - 1)) != 0) {
    std::printf("Unsupported interval size %u\n", odd_numbers);
    std::fflush(stdout);
    std::exit(1);
  }
  words_.assign(segment_bits_ / 64 + 1, 0);
}

void interval_sieve::primes_between(std::uint64_t low, std::uint64_t high,
                                    std::vector<std::uint64_t>& out) {
  using namespace primes_detail;
  out.clear();
  if (high <= low) return;
  const std::uint64_t top = low + 2 * ((high - low + 1) / 2);  // the last odd number is top - 1
  // Q: the first base prime whose square is at least top, or the last one.
  strides_.reset(segment_bits_, last_base_prime, 2 * last_base_prime);
  base_cursor q;
  while (q.value < first_sieving_prime && q.index + 1 < nprimes) q.advance();
  for (;;) {
    strides_.add(static_cast<std::uint32_t>(q.value), first_sieve_index(low, q.value));
    if (q.value * q.value >= top || q.index + 1 >= nprimes) break;
    q.advance();
  }
  const bool complete = q.value * q.value >= top;
  const std::uint32_t words_per_segment = segment_bits_ / 64;
  const std::uint64_t odd_count = (top - low) / 2;
  for (std::uint64_t first = 0; first < odd_count; first += segment_bits_) {
    std::uint64_t* words = words_.data();
    presieve_words(words, words_per_segment, low / 2 + first);
    strides_.mark_segment(reinterpret_cast<std::uint8_t*>(words));
    const std::uint64_t bits = std::min<std::uint64_t>(segment_bits_, odd_count - first);
    const auto used_words = static_cast<std::uint32_t>((bits + 63) / 64);
    if (bits % 64 != 0) words[used_words - 1] |= ~std::uint64_t{0} << (bits % 64);
    const std::uint64_t base = low + 1 + 2 * first;
    if (!complete) test_survivors(words, used_words, base, true);
    for (std::uint32_t w = 0; w < used_words; ++w) {
      for (std::uint64_t primes = ~words[w]; primes != 0; primes &= primes - 1) {
        out.push_back(base + 2 * (64 * std::uint64_t{w} +
                                  static_cast<unsigned>(std::countr_zero(primes))));
      }
    }
  }
}

void prepare_base_primes(std::uint64_t top) {
  using namespace primes_detail;
  if (last_base_prime * last_base_prime < top) extend_base_primes(base_prime_cap);
}

}  // namespace quorvel
