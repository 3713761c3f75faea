// A prime sieve of its own for a worker thread: the primes of an interval,
// sieved with the base primes as the stream's windows are (the same
// patterns, strides and survivor test), but with the strides started afresh
// for every interval, so that any number of these sieves can work side by
// side on intervals in any order. They share only the base-prime table,
// which they read and never change: prepare_base_primes makes it reach the
// highest interval before the workers start.
#pragma once

#include <cstdint>
#include <vector>

#include "primes/stride_set.hpp"

namespace quorvel {

class interval_sieve {
 public:
  /// Intervals of up to 2 * odd_numbers numbers; odd_numbers is a power of
  /// two from 2^10 to 2^26.
  explicit interval_sieve(std::uint32_t odd_numbers);

  /// The longest interval, high - low.
  std::uint64_t span() const { return 2 * std::uint64_t{odd_numbers_}; }

  /// Replaces `out` with the primes p, low < p <= high, ascending. low is
  /// even and at least 2^20, high - low at most span(), high below 2^63,
  /// and the base-prime table reaches high (prepare_base_primes).
  void primes_between(std::uint64_t low, std::uint64_t high, std::vector<std::uint64_t>& out);

 private:
  std::uint32_t odd_numbers_;
  std::uint32_t segment_bits_;
  std::vector<std::uint64_t> words_;  ///< one segment and a spare word
  primes_detail::stride_set strides_;
};

/// Extends the base-prime table, if needed, so that it serves every window
/// and interval up to `top` without a change; call it while no interval
/// sieve is at work.
void prepare_base_primes(std::uint64_t top);

}  // namespace quorvel
