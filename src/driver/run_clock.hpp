// The clocks a run reads at its progress saves: elapsed wall time for rates
// and windows, the calendar time for the estimated end, and the processor
// time of the whole process (every thread) for the cost of a factor. The
// program reads the real clocks; tests pass a clock of their own, so nothing
// the progress line or the stop rule shows depends on real time in a test.
#pragma once

#include <ctime>
#include <functional>

namespace quorvel {

/// One reading of the three clocks.
struct clock_reading {
  double wall_seconds = 0;   ///< monotonic: never jumps with the system clock
  std::time_t calendar = 0;  ///< seconds since the epoch, shown as local time
  double cpu_seconds = 0;    ///< processor time of the process, all threads
};

using clock_function = std::function<clock_reading()>;

/// The real clocks: CLOCK_MONOTONIC, time() and CLOCK_PROCESS_CPUTIME_ID.
clock_reading read_real_clock();

}  // namespace quorvel
