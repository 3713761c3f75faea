// The segmented prime stream: base primes up to a little above 2^25 (2^26
// from 2^50 on) and a sliding window of odd numbers sieved with them,
// yielding the trial primes of a range in increasing order. Above the square
// of the last base prime the numbers the sieve leaves standing are decided by
// an exact primality test, so the stream reaches every prime below 2^63 with
// the same table. While a window is sieved, the prime factors q >= 31 of p-1
// up to the window's last sieving prime are recorded for every prime p of
// the window.
//
// Calling order for a range (start_prime_stream does steps 1 to 3):
//   1. clear and start `timeinterval`;
//   2. sievewindowindex = 0xFFFFFFFF, sievewindowlow = pmin with bit 0 clear;
//   3. eratosthenes_window_lowok(sievewindowlow) when it is below 2^20,
//      else eratosthenes_window(sievewindowlow);
//   4. p = next_sieved_p() as often as wanted; pminus1_factors(sievewindowindex)
//      describes p until the next call.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "quorvel/common.hpp"

namespace quorvel {

/// Bound of the base primes built at start-up: above 2^25 so that the table
/// holds the first prime whose square exceeds the top of every window the
/// stream reaches below 2^50 (the table ends at 33,555,449, whose square is
/// about 2^50 + 6.8e10). The first window above that square extends the
/// table once, up to 2^26 + 2^16: the windows up to about 2^52 + 8.8e12 are
/// decided by the sieve alone, the higher ones by the sieve and the
/// primality test together.
extern const std::uint32_t base_prime_bound;

/// Base primes as 16-bit gaps; entry 0 holds 2, entry i the i-th prime minus
/// the (i-1)-th. Filled by eratosthenes_base, kept until exit.
extern std::vector<std::uint16_t> aallprimes;
/// Filled entries of aallprimes (entry 0 included).
extern std::uint32_t nprimes;

/// Odd numbers per window (W); set with set_sieve_window_size.
extern std::uint32_t sievewindowsize;
/// Even number just below the current window: the window holds the odd
/// numbers sievewindowlow + 1 + 2i for 0 <= i < W.
extern std::uint64_t sievewindowlow;
/// Window index of the number last yielded; 0xFFFFFFFF before a range.
extern std::uint32_t sievewindowindex;
/// Throughput of the last completed window, in thousands of p per CPU
/// second; 0 until the first refill of the process.
extern std::uint32_t interval_rate;
/// CPU time since the last window refill.
extern ctimer_t timeinterval;

/// Sets W and allocates the window. W must be a power of two from 2^10 to
/// 2^24 (the driver uses 2^22 or 2^19); anything else ends the process with
/// a message. May be called again; the stream then starts afresh.
void set_sieve_window_size(std::uint32_t w);
/// Fills the base-prime table with every prime up to limit.
void eratosthenes_base(std::uint32_t limit);
/// Sieves the window above the even number a (an odd a is taken as a - 1)
/// and makes it current (sievewindowlow = a). Every prime of the window is
/// kept as a prime, also a base prime. Builds the p-1 record in modes 0 and
/// 1. A start above 2^63 ends the process with a message.
void eratosthenes_window(std::uint64_t a);
/// The same for the first window of a range that starts low (a < 2^20); it
/// always builds the p-1 record.
void eratosthenes_window_lowok(std::uint64_t a);
/// Next prime of the stream; leaves its index in sievewindowindex. Moves on
/// to the next window (and updates interval_rate) when the current one is
/// used up.
std::uint64_t next_sieved_p();
/// The prime factors q of p-1 with 31 <= q <= Q (Q the first base prime
/// whose square is at least sievewindowlow + 2W, or the last base prime
/// when there is none), ascending, each once, for
/// the prime p at window index `index` of the current window. Empty when
/// there is none, when the number at `index` is not prime, when `index` is
/// outside the window, or when the window was sieved without the record.
/// Valid until the next window is sieved.
std::span<const std::uint32_t> pminus1_factors(std::uint32_t index);

/// Steps 1 to 3 of the calling order for a range starting at pmin.
void start_prime_stream(std::uint64_t pmin);

/// The window throughput in kp per CPU second for a window of two_w numbers
/// sieved and walked in `ticks` clock ticks (microseconds), computed in
/// extended precision as 2W / (t / 1000.0000610 + 0.000001) with both
/// constants single-precision values, truncated and kept to its low 32 bits.
std::uint32_t compute_interval_rate(std::uint64_t two_w, std::int64_t ticks);

}  // namespace quorvel
