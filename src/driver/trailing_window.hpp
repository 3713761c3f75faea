// A window over the most recent stretch of a run, for rates and costs that
// follow the run's present pace rather than its average since the start.
//
// The run hands in a sample (its clocks, the prime reached, the factors
// found so far) at every progress save. The window over a new sample starts
// at the newest earlier sample that is at least `seconds` of wall time
// older, or at the oldest sample kept when none is that old (early in the
// run the window is the whole run). So the window is never shorter than
// `seconds` once the run is that long, and longer only by the spacing of
// the samples. Samples closer than seconds/32 to the last one kept are not
// kept, so the window holds a few dozen samples however often the run saves.
#pragma once

#include <cstdint>
#include <deque>

namespace quorvel {

struct run_sample {
  double wall_seconds = 0;
  double cpu_seconds = 0;
  std::uint64_t p = 0;
  std::uint64_t factors = 0;  ///< factors found so far, counted as the owner defines
};

class trailing_window {
 public:
  explicit trailing_window(double seconds) : seconds_(seconds) {}

  /// Forgets every sample; `first` is where the window starts from now on.
  void restart(const run_sample& first);

  /// The sample the window over `now` starts from; `now` is kept as a later
  /// starting point. Before any restart the window starts at `now` itself.
  run_sample advance(const run_sample& now);

  /// Samples kept (bounded whatever the number of samples handed in).
  std::size_t size() const { return samples_.size(); }

 private:
  double seconds_;
  std::deque<run_sample> samples_;
};

}  // namespace quorvel
