// The texts of a progress save: the line itself, the part of the range
// done, the estimated end and the factor cost shown with -v.
#include "driver/progress.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

/// Local time is UTC while the object lives (the ETA is shown in local time).
class LocalTimeZone {
 public:
  explicit LocalTimeZone(const char* tz) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~LocalTimeZone() {
    if (had_)
      setenv("TZ", old_.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }

 private:
  bool had_ = false;
  std::string old_;
};

constexpr std::time_t noon_2026_12_09_utc = 1796817600;

TEST(FormatProgress, RateUnknownBeforeTheFirstRefill) {
  const progress_text t = format_progress(1500010000031, 0, "");
  EXPECT_EQ(t.console, "p = 1500010000031 @ ???kp/s");
  EXPECT_EQ(t.status, "pmin=1500010000031 @ 0 kp/s");
}

TEST(FormatProgress, RateAndNumbersLeft) {
  const progress_text t = format_progress(10007, 4294967295u, numbers_left_suffix(12));
  EXPECT_EQ(t.console, "p = 10007 @ 4294967295kp/s. 12 numbers left.");
  EXPECT_EQ(t.status, "pmin=10007 @ 4294967295 kp/s. 12 numbers left.");
  EXPECT_EQ(numbers_left_suffix(std::nullopt), "");
}

TEST(FormatDone, TenthsOfAPerCentTruncated) {
  EXPECT_EQ(format_done(1200000000, 1000000000, 2000000000), ", 20.0% done");
  EXPECT_EQ(format_done(1000000000, 1000000000, 2000000000), ", 0.0% done");
  EXPECT_EQ(format_done(1000999999, 1000000000, 2000000000), ", 0.0% done");
  EXPECT_EQ(format_done(1001000001, 1000000000, 2000000000), ", 0.1% done");
  // Never 100.0% before pmax itself.
  EXPECT_EQ(format_done(1999999999, 1000000000, 2000000000), ", 99.9% done");
  EXPECT_EQ(format_done(2000000000, 1000000000, 2000000000), ", 100.0% done");
  // The largest range: the product must not overflow.
  EXPECT_EQ(format_done(p_limit - 1, 0, p_limit), ", 99.9% done");
  EXPECT_EQ(format_done(p_limit / 3, 0, p_limit), ", 33.3% done");
}

TEST(FormatEta, LocalMinuteOrQuestionMarks) {
  {
    LocalTimeZone utc("UTC");
    EXPECT_EQ(format_eta(noon_2026_12_09_utc + 4 * 3600 + 50 * 60 + 59), ", ETA 2026-12-09 16:50");
    EXPECT_EQ(format_eta(std::nullopt), ", ETA ???");
  }
  LocalTimeZone east("XST-3");  // three hours east of UTC, no summer time
  EXPECT_EQ(format_eta(noon_2026_12_09_utc + 12 * 3600), ", ETA 2026-12-10 03:00");
}

TEST(EstimateEnd, FromTheRateOfTheStretch) {
  const std::time_t now = noon_2026_12_09_utc;
  // 30,000,000 p in 300 s: 100,000 p/s; 880,000,000 p to go take 8,800 s.
  EXPECT_EQ(estimate_end(30000000, 300, 880000000, now), now + 8800);
  EXPECT_EQ(estimate_end(1, eta_min_seconds, 0, now), now);
  // Too short a stretch, no movement, or an end more than a century away.
  EXPECT_EQ(estimate_end(30000000, eta_min_seconds - 0.001, 1000, now), std::nullopt);
  EXPECT_EQ(estimate_end(0, 300, 1000, now), std::nullopt);
  EXPECT_EQ(estimate_end(1, 3600, p_limit, now), std::nullopt);
}

TEST(FormatFactorCost, PerFactorOrLowerBoundWithoutFactor) {
  EXPECT_EQ(format_factor_cost(12, 3, 124.0), ", 12 factors, 41.3 s/factor");
  EXPECT_EQ(format_factor_cost(1, 1, 0.04), ", 1 factor, 0.0 s/factor");
  EXPECT_EQ(format_factor_cost(0, 0, 5.25), ", 0 factors, >5.2 s/factor");
  EXPECT_EQ(format_factor_cost(7, 0, 5.26), ", 7 factors, >5.3 s/factor");
}

}  // namespace
}  // namespace quorvel
