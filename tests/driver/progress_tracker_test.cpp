// The progress tracker on a controlled clock: the part done and the
// estimated end on the console, the status-file line, the factors and their
// cost with -v, the checkpoint and fraction-done hooks, and the stop rule of
// -x over its trailing window with a controlled stream of factors.
#include "driver/progress_tracker.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <vector>

#include "db/factor_report.hpp"
#include "driver/driver_test_util.hpp"
#include "nearmersenne/nearmersenne.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

constexpr std::time_t noon_2026_12_09_utc = 1796817600;

/// A clock the test sets by hand; the calendar follows the wall time from
/// noon, 9 December 2026, UTC.
struct FakeClock {
  clock_reading now{0, noon_2026_12_09_utc, 0};
  void at(double wall, double cpu) {
    now.wall_seconds = wall;
    now.calendar = noon_2026_12_09_utc + static_cast<std::time_t>(wall);
    now.cpu_seconds = cpu;
  }
};

/// A Proth run in a scratch directory, in UTC, with the clock and the
/// platform hooks under the test's control.
class TrackerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    mode = mode_proth;
    verbose = 0;
    zelstatus_dat_filename = "ZelStatus.dat";
    saved_rate_ = interval_rate;
    interval_rate = 0;
    hooks_.clock = [this] { return clock_.now; };
  }
  void TearDown() override { interval_rate = saved_rate_; }

  test::InScratchDir dir_;
  FakeClock clock_;
  platform_hooks hooks_;
  std::ostringstream out_;
  std::uint32_t saved_rate_ = 0;
};

TEST_F(TrackerTest, PartDoneAndEndFromTheLastFiveMinutes) {
  progress_tracker t(out_, hooks_, std::nullopt);
  t.start_range(1000000000, 1000000000, 2000000000);
  clock_.at(5, 5);
  EXPECT_TRUE(t.save(1005000000));  // under 10 s: no estimate yet
  clock_.at(60, 60);
  EXPECT_TRUE(t.save(1060000000));  // 1,000,000 p/s since the start
  clock_.at(360, 360);
  EXPECT_TRUE(t.save(1090000000));  // 100,000 p/s over the last 300 s
  clock_.at(660, 660);
  EXPECT_TRUE(t.save(1120000000));  // the same; from the start it would be 13:31
  EXPECT_EQ(out_.str(),
            "p = 1005000000 @ ???kp/s, 0.5% done, ETA ???\n"
            "p = 1060000000 @ ???kp/s, 6.0% done, ETA 2026-12-09 12:16\n"
            "p = 1090000000 @ ???kp/s, 9.0% done, ETA 2026-12-09 14:37\n"
            "p = 1120000000 @ ???kp/s, 12.0% done, ETA 2026-12-09 14:37\n");
  // The status file keeps its form.
  EXPECT_EQ(dir_.get("ZelStatus.dat"),
            "pmin=1005000000 @ 0 kp/s\npmin=1060000000 @ 0 kp/s\npmin=1090000000 @ 0 kp/s\n"
            "pmin=1120000000 @ 0 kp/s\n");
}

TEST_F(TrackerTest, ContinuedRangeCountsFromWhereTheRangeBegan) {
  interval_rate = 1234;
  progress_tracker t(out_, hooks_, std::nullopt);
  t.start_range(1500000000, 1000000000, 2000000000);
  clock_.at(100, 100);
  EXPECT_TRUE(t.save(1600000007));
  EXPECT_EQ(out_.str(), "p = 1600000007 @ 1234kp/s, 60.0% done, ETA 2026-12-09 12:08\n");
  EXPECT_EQ(dir_.get("ZelStatus.dat"), "pmin=1600000007 @ 1234 kp/s\n");
}

TEST_F(TrackerTest, VerboseShowsFactorsOfTheRangeAndTheirCost) {
  verbose = 1;
  new_factors_reported = 10;  // from an earlier range
  progress_tracker t(out_, hooks_, std::nullopt);
  t.start_range(1000000000, 1000000000, 2000000000);
  clock_.at(1, 100.0);
  new_factors_reported = 12;
  EXPECT_TRUE(t.save(1100000000));
  clock_.at(2, 146.5);
  EXPECT_TRUE(t.save(1200000000));
  clock_.at(3, 150.0);
  new_factors_reported = 13;
  EXPECT_TRUE(t.save(1300000000));
  EXPECT_EQ(out_.str(),
            "p = 1100000000 @ ???kp/s, 10.0% done, ETA ???, 2 factors, 50.0 s/factor\n"
            "p = 1200000000 @ ???kp/s, 20.0% done, ETA ???, 2 factors, >46.5 s/factor\n"
            "p = 1300000000 @ ???kp/s, 30.0% done, ETA ???, 3 factors, 3.5 s/factor\n");
}

TEST_F(TrackerTest, StatusLineOnlyWhenACheckpointIsDueAndFractionDoneAtEverySave) {
  std::vector<bool> due = {false, true, false, true};
  std::size_t asked = 0;
  int completed = 0;
  std::vector<double> fractions;
  hooks_.checkpoint_due = [&] { return due[asked++]; };
  hooks_.checkpoint_done = [&] {
    // The status line is in the file when the checkpoint is reported done.
    EXPECT_NE(dir_.get("ZelStatus.dat").find("pmin=1500000000 @"), std::string::npos);
    ++completed;
  };
  hooks_.fraction_done = [&](double f) { fractions.push_back(f); };
  progress_tracker t(out_, hooks_, std::nullopt);
  t.start_range(1000000000, 1000000000, 2000000000);
  for (std::uint64_t p : {1250000000u, 1500000000u, 1750000000u, 2000000000u}) t.save(p);
  EXPECT_EQ(asked, 4u);
  EXPECT_EQ(completed, 2);
  EXPECT_EQ(fractions, (std::vector<double>{0.25, 0.5, 0.75, 1.0}));
  EXPECT_EQ(dir_.get("ZelStatus.dat"), "pmin=1500000000 @ 0 kp/s\npmin=2000000000 @ 0 kp/s\n");
}

/// A save a minute, each with 60 processor seconds (one busy thread).
struct Minute {
  double wall, cpu;
};

TEST_F(TrackerTest, StopsOnceTheLastHalfHourHoldsNoFactor) {
  // 20 factors a minute for the first five minutes, none after. Over the
  // whole run (shorter than 30 minutes) the cost stays low; once the burst
  // has left the trailing half hour, 1800 processor seconds hold no factor:
  // more than the limit of 600.
  bool due_asked_at_stop = false;
  hooks_.checkpoint_due = [&] {
    due_asked_at_stop = true;
    return false;  // the status line is written at a stop all the same
  };
  progress_tracker t(out_, hooks_, 600);
  new_factors_reported = 0;
  t.start_range(1000000000, 1000000000, 2000000000);
  int stopped_at = 0;
  for (int minute = 1; minute <= 60 && stopped_at == 0; ++minute) {
    clock_.at(60.0 * minute, 60.0 * minute);
    new_factors_reported = 20u * static_cast<std::uint64_t>(std::min(minute, 5));
    if (!t.save(1000000000 + 1000000u * static_cast<std::uint64_t>(minute))) stopped_at = minute;
  }
  // Minute 34: the window from minute 4 holds 20 factors (90 s each); minute
  // 35: the window from minute 5 holds none.
  EXPECT_EQ(stopped_at, 35);
  EXPECT_TRUE(due_asked_at_stop);
  EXPECT_TRUE(t.stopped());
  EXPECT_EQ(t.stop_p(), 1035000000u);
  EXPECT_EQ(t.stop_line(),
            "Stopped at p=1035000000: 0 factors in 1800.0 processor seconds over the last 30.0 "
            "minutes, more than 600 s per factor.");
  EXPECT_EQ(dir_.get("ZelStatus.dat"), "pmin=1035000000 @ 0 kp/s\n");
}

TEST_F(TrackerTest, StopComparesProcessorSecondsOfAllThreadsPerFactor) {
  // Four busy threads: 240 processor seconds a wall minute; a factor at
  // every odd minute. The cost per factor peaks at 480 s (at even minutes,
  // and over every half hour once the run is that long): a limit of 480 is
  // never exceeded, 479 is at minute 2.
  for (const std::uint64_t limit : {480u, 479u}) {
    SCOPED_TRACE(limit);
    std::ostringstream out;
    progress_tracker t(out, hooks_, limit);
    new_factors_reported = 0;
    clock_.at(0, 0);
    t.start_range(1000000000, 1000000000, 2000000000);
    int stopped_at = 0;
    for (int minute = 1; minute <= 90 && stopped_at == 0; ++minute) {
      clock_.at(60.0 * minute, 240.0 * minute);
      new_factors_reported = static_cast<std::uint64_t>(minute + 1) / 2;
      if (!t.save(1000000000 + 1000000u * static_cast<std::uint64_t>(minute))) stopped_at = minute;
    }
    if (limit == 480) {
      EXPECT_EQ(stopped_at, 0);
      EXPECT_FALSE(t.stopped());
    } else {
      EXPECT_EQ(stopped_at, 2);
      EXPECT_EQ(t.stop_line(),
                "Stopped at p=1002000000: 1 factor in 480.0 processor seconds over the last 2.0 "
                "minutes, more than 479 s per factor.");
    }
  }
}

TEST_F(TrackerTest, StopWindowRunsOnAcrossRangesAndCountsStruckCandidates) {
  // Near-Mersenne mode: a factor is a candidate struck from the numbers left.
  mode = mode_nearmersenne;
  zelstatus_dat_filename = "";
  const std::uint64_t saved_candidates = nm_candidates;
  nm_candidates = 1000;
  progress_tracker t(out_, hooks_, 100);
  // First range: 6 candidates struck and 60 processor seconds a minute, for
  // ten minutes (10 s per factor).
  t.start_range(0, 0, 10000);
  for (int minute = 1; minute <= 10; ++minute) {
    clock_.at(60.0 * minute, 60.0 * minute);
    nm_candidates = 1000 - 6u * static_cast<std::uint64_t>(minute);
    ASSERT_TRUE(t.save(1000u * static_cast<std::uint64_t>(minute) - 1));
  }
  // Second range: nothing struck. The window still holds the first range's
  // factors: from minute 0 (60 factors) up to minute 30, then from minute
  // m-30: at minute 37 from minute 7 (18 factors in 1800 s: 100 s, not
  // more), at minute 38 from minute 8 (12 factors: 150 s).
  t.start_range(10000, 10000, 20000);
  int stopped_at = 0;
  for (int minute = 11; minute <= 60 && stopped_at == 0; ++minute) {
    clock_.at(60.0 * minute, 60.0 * minute);
    if (!t.save(10000u + 100u * static_cast<std::uint64_t>(minute) - 1)) stopped_at = minute;
  }
  nm_candidates = saved_candidates;
  EXPECT_EQ(stopped_at, 38);
  EXPECT_EQ(t.stop_line(),
            "Stopped at p=13799: 12 factors in 1800.0 processor seconds over the last 30.0 "
            "minutes, more than 100 s per factor.");
  // The last progress line: the numbers left, then the part of the second
  // range done and its end from the last 300 s (500 p in 300 s, 6201 p to go).
  const std::string last =
      "p = 13799 @ ???kp/s. 940 numbers left., 37.9% done, ETA 2026-12-09 13:40\n";
  const std::string text = out_.str();
  ASSERT_GE(text.size(), last.size());
  EXPECT_EQ(text.substr(text.size() - last.size()), last);
}

}  // namespace
}  // namespace quorvel
