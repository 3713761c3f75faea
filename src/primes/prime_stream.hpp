// The segmented prime stream: base primes below ~2^25 and a sliding window of
// odd numbers sieved with them, yielding the trial primes of a range in
// increasing order. While a window is sieved, the prime factors q >= 31 of
// p-1 are recorded for every prime p of the window.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "quorvel/common.hpp"

namespace quorvel {

/// Bound of the base primes: above 2^25 so that the table holds the first
/// prime whose square exceeds the top of every window below 2^50.
extern const std::uint32_t base_prime_bound;

/// Base primes as 16-bit gaps; entry 0 holds 2.
extern std::vector<std::uint16_t> aallprimes;
/// Filled entries of aallprimes.
extern std::uint32_t nprimes;

/// Odd numbers per window (W); set with set_sieve_window_size.
extern std::uint32_t sievewindowsize;
/// Even number just below the current window.
extern std::uint64_t sievewindowlow;
/// Window index of the number last yielded; 0xFFFFFFFF before a range.
extern std::uint32_t sievewindowindex;
/// Throughput of the last completed window, in kp per CPU second; 0 before.
extern std::uint32_t interval_rate;
/// CPU time since the last window refill.
extern ctimer_t timeinterval;

/// Sets W and allocates the window bitmap (once per process).
void set_sieve_window_size(std::uint32_t w);
/// Fills the base-prime table with every prime up to limit.
void eratosthenes_base(std::uint32_t limit);
/// Sieves the window above the even number a (not for a window holding base primes).
void eratosthenes_window(std::uint64_t a);
/// The same for a first window that may hold base primes (a < 2^20).
void eratosthenes_window_lowok(std::uint64_t a);
/// Next prime of the stream; leaves its index in sievewindowindex.
std::uint64_t next_sieved_p();
/// The prime factors q of p-1 with 31 <= q <= Q (Q the largest base prime
/// the window was sieved with), ascending, each once, for the prime p at
/// window index `index` of the current window. Empty when none.
std::span<const std::uint32_t> pminus1_factors(std::uint32_t index);

}  // namespace quorvel
