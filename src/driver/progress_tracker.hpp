// The progress of a run as its progress saves see it: the console line with
// the part of the range done, the estimated end and (with -v) the factors
// and their cost; the status-file line, written when the platform allows;
// the fraction done for the platform; and the stop rule of -x.
//
// The stop rule: at each save, over a trailing window of at least
// stop_window_seconds of wall time (the whole run while it is shorter), the
// processor seconds of the process (all threads) are compared with the
// factors found; when they exceed the limit times the factors (times 1 when
// none was found: the next factor would cost more than that already), the
// range stops at this save. What counts as a factor found: in Proth and
// Riesel mode a new factor (a line of fact.txt); in the k-range modes and
// near-Mersenne mode a candidate struck (the numbers left went down by one).
// The window runs on across the ranges of one run.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "driver/platform.hpp"
#include "driver/progress.hpp"
#include "driver/trailing_window.hpp"

namespace quorvel {

/// Wall seconds the stop rule looks back at least.
inline constexpr double stop_window_seconds = 1800;

class progress_tracker {
 public:
  /// `stop_seconds`: the limit of -x, processor seconds per factor; none
  /// without -x. The hooks must outlive the tracker.
  progress_tracker(std::ostream& out, const platform_hooks& platform,
                   std::optional<std::uint64_t> stop_seconds);

  /// A range begins: sieving starts above pmin and ends at pmax; the part
  /// done counts from range_start (where the range began before any resume).
  void start_range(std::uint64_t pmin, std::uint64_t range_start, std::uint64_t pmax);

  /// The progress save at p, every prime up to p being fully handled: the
  /// console line, the status-file line (when the platform says it is time,
  /// and always at a stop), the fraction done. False when the stop rule ends
  /// the range here.
  bool save(std::uint64_t p);

  bool stopped() const { return stopped_; }
  /// The prime of the save the range stopped at.
  std::uint64_t stop_p() const { return stop_p_; }
  /// "Stopped at p=P: ..." with the figures that made the range stop.
  const std::string& stop_line() const { return stop_line_; }

 private:
  std::uint64_t factors_found(std::optional<std::uint64_t> left) const;
  bool over_limit(const run_sample& now);

  std::ostream& out_;
  const platform_hooks& platform_;
  std::optional<std::uint64_t> stop_seconds_;
  std::uint64_t range_start_ = 0, pmax_ = 0;
  bool run_started_ = false;
  std::uint64_t first_left_ = 0;  ///< numbers left when the run began (k-range, near-Mersenne)
  run_sample range_first_, last_;
  trailing_window eta_window_{eta_window_seconds};
  trailing_window cost_window_{stop_window_seconds};
  bool stopped_ = false;
  std::uint64_t stop_p_ = 0;
  std::string stop_line_;
};

}  // namespace quorvel
