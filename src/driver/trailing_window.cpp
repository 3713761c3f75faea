// The trailing window. The front sample is always the window's start: a
// sample is dropped from the front only when the one after it is itself old
// enough to start the window.
#include "driver/trailing_window.hpp"

namespace quorvel {

void trailing_window::restart(const run_sample& first) {
  samples_.clear();
  samples_.push_back(first);
}

run_sample trailing_window::advance(const run_sample& now) {
  if (samples_.empty()) {
    samples_.push_back(now);
    return now;
  }
  while (samples_.size() >= 2 && now.wall_seconds - samples_[1].wall_seconds >= seconds_)
    samples_.pop_front();
  const run_sample start = samples_.front();
  if (now.wall_seconds - samples_.back().wall_seconds >= seconds_ / 32) samples_.push_back(now);
  return start;
}

}  // namespace quorvel
