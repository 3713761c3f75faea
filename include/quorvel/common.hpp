// Shared types and limits of quorvel: the trial-prime bound, the k limit,
// the run modes and the processor-time accumulator used by the driver and
// the prime stream.
#pragma once

#include <cstdint>
#include <ctime>

namespace quorvel {

/// Bound on the trial primes (2^62): a larger pmax is lowered to it. Every
/// bound on p in the program refers to this one constant.
inline constexpr std::uint64_t p_limit = 4611686018427387904ULL;

/// Proth and Riesel runs need p at least this large.
inline constexpr std::uint64_t proth_pmin_floor = 1000000000ULL;

/// Most k values a candidate file may hold.
inline constexpr std::uint32_t max_k = 104;

/// Run modes (global `mode`).
inline constexpr int mode_proth = 0;
inline constexpr int mode_riesel = 1;
inline constexpr int mode_krange = 2;
inline constexpr int mode_krangetwin = 3;
inline constexpr int mode_nearmersenne = 4;

/// Processor-time accumulator in clock() ticks (microseconds).
struct ctimer_t {
  std::int64_t total = 0;
  std::int32_t start = 0;
};

/// Records the current clock() value as the timer's start.
inline void time_start(ctimer_t* t) { t->start = static_cast<std::int32_t>(std::clock()); }

/// Adds the time since the last start to the total; the difference is formed
/// in 32 bits and sign-extended, so a wrapped clock still adds the right span.
inline void time_stop(ctimer_t* t) {
  const std::int32_t now = static_cast<std::int32_t>(std::clock());
  const std::int32_t diff = static_cast<std::int32_t>(static_cast<std::uint32_t>(now) -
                                                      static_cast<std::uint32_t>(t->start));
  t->total += diff;
}

}  // namespace quorvel
