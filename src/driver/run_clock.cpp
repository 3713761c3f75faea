// The real clocks of a run.
#include "driver/run_clock.hpp"

namespace quorvel {

namespace {

double seconds_of(clockid_t id) {
  timespec ts{};
  clock_gettime(id, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

clock_reading read_real_clock() {
  clock_reading r;
  r.wall_seconds = seconds_of(CLOCK_MONOTONIC);
  r.calendar = std::time(nullptr);
  r.cpu_seconds = seconds_of(CLOCK_PROCESS_CPUTIME_ID);
  return r;
}

}  // namespace quorvel
