// The progress tracker. The clocks are read once per save, never per prime.
#include "driver/progress_tracker.hpp"

#include <algorithm>

#include "db/factor_report.hpp"
#include "driver/progress.hpp"
#include "driver/status_file.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

progress_tracker::progress_tracker(std::ostream& out, const platform_hooks& platform,
                                   std::optional<std::uint64_t> stop_seconds)
    : out_(out), platform_(platform), stop_seconds_(stop_seconds) {}

std::uint64_t progress_tracker::factors_found(std::optional<std::uint64_t> left) const {
  if (!left) return new_factors_reported;
  return *left < first_left_ ? first_left_ - *left : 0;
}

void progress_tracker::start_range(std::uint64_t pmin, std::uint64_t range_start,
                                   std::uint64_t pmax) {
  const clock_reading now = platform_.clock();
  const std::optional<std::uint64_t> left = numbers_left();
  if (!run_started_) first_left_ = left.value_or(0);
  range_start_ = std::min(range_start, pmin);
  pmax_ = pmax;
  range_first_ = {now.wall_seconds, now.cpu_seconds, pmin, factors_found(left)};
  last_ = range_first_;
  eta_window_.restart(range_first_);
  if (!run_started_) cost_window_.restart(range_first_);
  run_started_ = true;
  stopped_ = false;
  stop_p_ = 0;
  stop_line_.clear();
}

bool progress_tracker::over_limit(const run_sample& now) {
  const run_sample from = cost_window_.advance(now);
  const double cpu = now.cpu_seconds - from.cpu_seconds;
  const std::uint64_t found = now.factors - from.factors;
  const double limit = static_cast<double>(*stop_seconds_);
  if (!(cpu > limit * static_cast<double>(std::max<std::uint64_t>(found, 1)))) return false;
  stop_line_ = "Stopped at p=" + std::to_string(now.p) + ": " + std::to_string(found) +
               (found == 1 ? " factor in " : " factors in ") + one_decimal(cpu) +
               " processor seconds over the last " +
               one_decimal((now.wall_seconds - from.wall_seconds) / 60) + " minutes, more than " +
               std::to_string(*stop_seconds_) + " s per factor.";
  return true;
}

bool progress_tracker::save(std::uint64_t p) {
  const clock_reading now = platform_.clock();
  const std::optional<std::uint64_t> left = numbers_left();
  const run_sample sample{now.wall_seconds, now.cpu_seconds, p, factors_found(left)};

  const progress_text text = format_progress(p, interval_rate, numbers_left_suffix(left));
  const run_sample eta_from = eta_window_.advance(sample);
  std::string console = text.console + format_done(p, range_start_, pmax_) +
                        format_eta(estimate_end(p > eta_from.p ? p - eta_from.p : 0,
                                                now.wall_seconds - eta_from.wall_seconds,
                                                pmax_ > p ? pmax_ - p : 0, now.calendar));
  if (verbose != 0)
    console +=
        format_factor_cost(sample.factors - range_first_.factors, sample.factors - last_.factors,
                           now.cpu_seconds - last_.cpu_seconds);
  last_ = sample;
  const bool stop = stop_seconds_ && over_limit(sample);

  out_ << console << std::endl;
  const bool due = platform_.checkpoint_due();
  if (due || stop) append_status_line(zelstatus_dat_filename, text.status);
  if (due) platform_.checkpoint_done();
  if (pmax_ > range_start_)
    platform_.fraction_done(static_cast<double>(std::min(p, pmax_) - range_start_) /
                            static_cast<double>(pmax_ - range_start_));
  if (stop) {
    stopped_ = true;
    stop_p_ = p;
  }
  return !stop;
}

}  // namespace quorvel
