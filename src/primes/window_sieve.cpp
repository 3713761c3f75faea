// Sieving one window. The window is cut into segments of S bits; each
// segment is first filled from the patterns of the primes 3 to 37, then
// every base prime d from 41 to Q (the first base prime with Q^2 >= a + 2W)
// marks its odd multiples from 3d on, so that a base prime inside the window
// stays a prime whatever variant sieves it. The strides of the base primes
// carry over from one window to the next, so only a prime that is new to a
// range costs a 64-bit remainder. Right after a segment is sieved, while it
// is still in the cache, the p-1 record takes its share of it.
//
// Above the square of the last base prime (about 2^52 once the table is
// extended to its cap) the base primes no longer reach the square root of the
// window: Q is then the last base prime,
// and the numbers the sieve leaves standing, which have no prime factor up
// to Q, are decided one by one by an exact primality test. So the stream
// holds no sieving prime above the table's bound (a few million primes of 8
// bytes each) however high it goes, at the price of the test for about 1.3
// numbers per prime.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "primes/base_primes.hpp"
#include "primes/presieve.hpp"
#include "primes/primality.hpp"
#include "primes/prime_stream.hpp"
#include "primes/window.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

std::uint32_t sievewindowsize = 0;
std::uint64_t sievewindowlow = 0;

namespace primes_detail {

std::vector<std::uint64_t> window_words;
std::uint32_t segment_bits = 0;

namespace {

/// First prime that is not pre-sieved.
constexpr std::uint64_t first_sieving_prime = 41;
constexpr std::uint32_t min_window = 1u << 10;
constexpr std::uint32_t max_window = 1u << 24;
/// The highest window start: far enough below 2^64 that no window top and no
/// number of a window wraps around.
constexpr std::uint64_t highest_window_low = std::uint64_t{1} << 63;

stride_run sieve_run;

/// Q search, carried forward while the window tops grow.
base_cursor q_cursor;
std::uint64_t q_cursor_top = 0;
std::uint32_t q_cursor_generation = 0;

[[noreturn]] void stop(const char* text, unsigned long long value) {
  std::printf("%s%llu\n", text, value);
  std::fflush(stdout);
  std::exit(1);
}

/// Q for a window top: the first base prime whose square is at least top,
/// or the last base prime when there is none. A top above the square of the
/// last base prime first extends the table up to its cap.
base_cursor find_q(std::uint64_t top) {
  if (last_base_prime * last_base_prime < top) extend_base_primes(base_prime_cap);
  if (q_cursor_generation != base_generation || top < q_cursor_top) {
    q_cursor = base_cursor{};
    q_cursor_generation = base_generation;
  }
  while (q_cursor.value * q_cursor.value < top && q_cursor.index + 1 < nprimes) {
    q_cursor.advance();
  }
  q_cursor_top = top;
  return q_cursor;
}

/// Sets the bit of every number of the segment that the sieve left standing
/// but that is not prime; `first` is the number of the segment's bit 0.
/// Every standing number has no prime factor up to Q (and none up to 53
/// when `screened`).
void test_survivors(std::uint64_t* words, std::uint32_t nwords, std::uint64_t first,
                    bool screened) {
  for (std::uint32_t w = 0; w < nwords; ++w) {
    for (std::uint64_t standing = ~words[w]; standing != 0; standing &= standing - 1) {
      const int b = __builtin_ctzll(standing);
      const std::uint64_t n = first + 2 * (64 * std::uint64_t{w} + static_cast<unsigned>(b));
      const bool prime = screened ? is_prime_no_small_factor(n) : is_prime_u64(n);
      if (!prime) words[w] |= std::uint64_t{1} << b;
    }
  }
}

/// Window index of the first odd multiple m*d >= a + 1 with m >= 3.
std::uint64_t first_sieve_index(std::uint64_t a, std::uint64_t d) {
  const std::uint64_t m = ((a + d + 1) >> 1) % d;
  std::uint64_t o = (d - m) % d;
  if (a + 1 + 2 * o == d) o += d;
  return o;
}

/// Clears the bits of the pre-sieved primes 3 to 37 and sets the bit of 1
/// where they fall into segment s of a window that starts low.
void fix_low_segment(std::uint64_t a, std::uint32_t s, std::uint64_t* words) {
  const std::uint64_t first = std::uint64_t{s} * segment_bits;
  const std::uint64_t last = first + segment_bits;
  for (const std::uint64_t d : presieve_primes) {
    if (d < a + 1) continue;
    const std::uint64_t i = (d - a - 1) / 2;
    if (i >= first && i < last) {
      const std::uint64_t bit = i - first;
      words[bit >> 6] &= ~(std::uint64_t{1} << (bit & 63));
    }
  }
  if (a == 0 && s == 0) words[0] |= 1;  // the number 1 is not a prime
}

void sieve_window(std::uint64_t a, bool record) {
  a &= ~std::uint64_t{1};
  const std::uint32_t w = sievewindowsize;
  if (w == 0) stop("The sieve window has no size: ", 0);
  if (nprimes == 0) stop("The base primes are missing: ", 0);
  // Keeps a + 2W far from wrapping around.
  if (a > highest_window_low) stop("The prime stream does not reach above ", highest_window_low);
  pminus1_invalidate();
  pending_primes = 0;

  window_plan plan;
  plan.low = a;
  plan.top = a + 2 * std::uint64_t{w};
  plan.q = find_q(plan.top);
  sievewindowlow = a;

  sieve_run.prepare(plan, first_sieving_prime);
  sieve_run.add_up_to_q(plan, [a](std::uint64_t d) { return first_sieve_index(a, d); });
  if (record) pminus1_begin_window(plan);

  // Whether the sieve alone decides the window (Q^2 >= top).
  const bool complete = plan.q.value * plan.q.value >= plan.top;
  const bool screened = plan.q.value >= 53 && a >= 53;
  const std::uint32_t words_per_segment = segment_bits / 64;
  const std::uint32_t segments = w / segment_bits;
  for (std::uint32_t s = 0; s < segments; ++s) {
    std::uint64_t* words = window_words.data() + std::size_t{s} * words_per_segment;
    presieve_words(words, words_per_segment, a / 2 + std::uint64_t{s} * segment_bits);
    if (a <= presieve_last_prime) fix_low_segment(a, s, words);
    sieve_run.set.mark_segment(reinterpret_cast<std::uint8_t*>(words));
    if (!complete) {
      test_survivors(words, words_per_segment, a + 1 + 2 * std::uint64_t{s} * segment_bits,
                     screened);
    }
    if (record) pminus1_segment(s);
  }
  sieve_run.finish(plan);
  if (record) pminus1_end_window(plan);
}

}  // namespace

std::size_t strides_held() { return sieve_run.set.strides() + pminus1_strides().strides(); }

std::size_t stride_bytes_held() {
  return sieve_run.set.bytes_held() + pminus1_strides().bytes_held();
}

void stride_run::prepare(const window_plan& plan, std::uint64_t first_prime) {
  if (plan.low == next_low && generation == base_generation && window == sievewindowsize) {
    return;
  }
  // Strides start at most 3d positions ahead (the multiple 3d of a base
  // prime inside the window), and no stride is longer than the last base
  // prime.
  set.reset(segment_bits, last_base_prime, 2 * last_base_prime);
  next = base_cursor{};
  while (next.index < nprimes && next.value < first_prime) {
    if (next.index + 1 >= nprimes) {
      next.index = nprimes;
      break;
    }
    next.advance();
  }
  generation = base_generation;
  window = sievewindowsize;
  next_low = ~std::uint64_t{0};
}

}  // namespace primes_detail

void set_sieve_window_size(std::uint32_t w) {
  using namespace primes_detail;
  if (w < min_window || w > max_window || (w & (w - 1)) != 0) {
    stop("Unsupported sieve window size ", w);
  }
  sievewindowsize = w;
  segment_bits = w < max_segment_bits ? w : max_segment_bits;
  window_words.assign(w / 64 + 1, 0);  // one spare word past the end
  sieve_run.next_low = ~std::uint64_t{0};
  pminus1_invalidate();
}

void eratosthenes_window(std::uint64_t a) {
  // Only the Proth/Riesel search reads the p-1 record (near-Mersenne mode
  // finds the order of 2 as it walks the powers).
  const bool record = mode == mode_proth || mode == mode_riesel;
  primes_detail::sieve_window(a, record);
}

void eratosthenes_window_lowok(std::uint64_t a) { primes_detail::sieve_window(a, true); }

}  // namespace quorvel
