// The trailing window: where it starts for a given sample, on fixed and on
// random streams of samples, and how many samples it keeps.
#include "driver/trailing_window.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace quorvel {
namespace {

run_sample at(double wall, std::uint64_t p = 0) {
  run_sample s;
  s.wall_seconds = wall;
  s.p = p;
  return s;
}

TEST(TrailingWindow, WholeRunUntilItIsLongerThanTheWindow) {
  trailing_window w(300);
  w.restart(at(0, 100));
  EXPECT_EQ(w.advance(at(60, 160)).p, 100u);
  EXPECT_EQ(w.advance(at(299, 399)).p, 100u);
  EXPECT_EQ(w.advance(at(300, 400)).p, 100u);  // exactly 300 s old: still the start
}

TEST(TrailingWindow, StartsAtTheNewestSampleAtLeastTheWindowOld) {
  trailing_window w(300);
  w.restart(at(0, 0));
  for (double t : {100.0, 250.0, 290.0, 330.0}) w.advance(at(t, static_cast<std::uint64_t>(t)));
  // At 600: 290 is 310 s old, 330 only 270 s.
  EXPECT_EQ(w.advance(at(600, 600)).p, 290u);
  // At 630: 330 is exactly 300 s old.
  EXPECT_EQ(w.advance(at(630, 630)).p, 330u);
  // Restart forgets everything before.
  w.restart(at(1000, 1000));
  EXPECT_EQ(w.advance(at(2000, 2000)).p, 1000u);
}

TEST(TrailingWindow, WithoutRestartTheFirstSampleStartsIt) {
  trailing_window w(300);
  EXPECT_EQ(w.advance(at(5, 7)).p, 7u);
  EXPECT_EQ(w.advance(at(6, 8)).p, 7u);
}

TEST(TrailingWindow, RandomStreamsKeepTheWindowBetweenItsBounds) {
  // Whatever the spacing of the samples, the window is at least `seconds`
  // long once the run is (before that: the whole run), and longer by no
  // more than a thinning step (seconds/32) plus the largest gap between two
  // samples; and only a few dozen samples are kept.
  std::mt19937_64 rng(20261209);
  for (int trial = 0; trial < 200; ++trial) {
    const double seconds = 10.0 + static_cast<double>(rng() % 3000);
    const double max_gap = seconds * static_cast<double>(rng() % 100 + 1) / 50.0;
    trailing_window w(seconds);
    w.restart(at(0, 0));
    double t = 0;
    for (int i = 1; i <= 2000; ++i) {
      const double gap =
          (rng() % 4 == 0) ? 0.0 : max_gap * static_cast<double>(rng() % 1000) / 1000.0;
      t += gap;
      const run_sample start = w.advance(at(t, static_cast<std::uint64_t>(i)));
      const double length = t - start.wall_seconds;
      SCOPED_TRACE("trial " + std::to_string(trial) + " sample " + std::to_string(i));
      if (t >= seconds) {
        ASSERT_GE(length, seconds);
      } else {
        ASSERT_EQ(start.p, 0u);
      }
      ASSERT_LE(length, std::max(t, seconds + seconds / 32 + max_gap));
      ASSERT_LT(start.p, static_cast<std::uint64_t>(i));
      ASSERT_LE(w.size(), 35u);
    }
  }
}

}  // namespace
}  // namespace quorvel
