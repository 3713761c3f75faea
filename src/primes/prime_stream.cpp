// The stream walker: hands out the primes of the current window in order
// (the next clear bit, found a word at a time), and when the window is used
// up measures its throughput and sieves the next one. The primes still to
// come in the word of the last one are kept aside, so that most calls take
// one count-trailing-zeros and no search.
#include "primes/prime_stream.hpp"

#include <bit>
#include <cstdint>

#include "primes/window.hpp"
#include "quorvel/common.hpp"

namespace quorvel {

std::uint32_t sievewindowindex = 0xFFFFFFFFu;
std::uint32_t interval_rate = 0;
ctimer_t timeinterval;

namespace primes_detail {

std::uint64_t pending_primes = 0;
std::uint32_t pending_after = 0xFFFFFFFFu;
std::uint32_t pending_base = 0;

}  // namespace primes_detail

namespace {

/// Below this a first window may hold base primes.
constexpr std::uint64_t low_window_bound = 1048576;

void refill() {
  const std::uint64_t two_w = 2 * std::uint64_t{sievewindowsize};
  time_stop(&timeinterval);
  interval_rate = compute_interval_rate(two_w, timeinterval.total);
  timeinterval.total = 0;
  time_start(&timeinterval);
  sievewindowlow += two_w;
  eratosthenes_window(sievewindowlow);
}

}  // namespace

std::uint32_t compute_interval_rate(std::uint64_t two_w, std::int64_t ticks) {
  const float per_ms = 1000.0000610f;  // bit pattern 0x447A0001
  const float epsilon = 0.000001f;
  const long double ms = static_cast<long double>(ticks) / per_ms + epsilon;
  const long double rate = static_cast<long double>(two_w) / ms;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(rate));
}

std::uint64_t next_sieved_p() {
  using namespace primes_detail;
  if (pending_primes != 0 && sievewindowindex == pending_after) {
    const std::uint32_t i =
        pending_base + static_cast<std::uint32_t>(std::countr_zero(pending_primes));
    pending_primes &= pending_primes - 1;
    sievewindowindex = pending_after = i;
    return sievewindowlow + 1 + 2 * std::uint64_t{i};
  }
  std::uint32_t i = sievewindowindex + 1;
  for (;;) {
    if (i >= sievewindowsize) {
      refill();
      i = 0;
    }
    std::size_t w = i >> 6;
    std::uint64_t primes = ~window_words[w] & (~std::uint64_t{0} << (i & 63));
    const std::size_t nw = sievewindowsize / 64;
    while (primes == 0 && ++w < nw) primes = ~window_words[w];
    if (primes != 0) {
      i = static_cast<std::uint32_t>(w * 64 + std::countr_zero(primes));
      pending_primes = primes & (primes - 1);
      pending_base = static_cast<std::uint32_t>(w * 64);
      sievewindowindex = pending_after = i;
      return sievewindowlow + 1 + 2 * std::uint64_t{i};
    }
    i = sievewindowsize;
  }
}

void start_prime_stream(std::uint64_t pmin) {
  timeinterval.total = 0;
  time_start(&timeinterval);
  sievewindowindex = 0xFFFFFFFFu;
  sievewindowlow = pmin & ~std::uint64_t{1};
  if (sievewindowlow < low_window_bound) {
    eratosthenes_window_lowok(sievewindowlow);
  } else {
    eratosthenes_window(sievewindowlow);
  }
}

}  // namespace quorvel
