// The two lines of a progress save.
#include "driver/progress.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "driver/driver_test_util.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

TEST(FormatProgress, RateUnknownBeforeTheFirstRefill) {
  const progress_text t = format_progress(1500010000031, 0, "");
  EXPECT_EQ(t.console, "p = 1500010000031 @ ???kp/s");
  EXPECT_EQ(t.status, "pmin=1500010000031 @ 0 kp/s");
}

TEST(FormatProgress, RateAndNumbersLeft) {
  const progress_text t = format_progress(10007, 4294967295u, ". 12 numbers left.");
  EXPECT_EQ(t.console, "p = 10007 @ 4294967295kp/s. 12 numbers left.");
  EXPECT_EQ(t.status, "pmin=10007 @ 4294967295 kp/s. 12 numbers left.");
}

TEST(ProgressSave, ConsoleLineAndStatusLine) {
  test::InScratchDir dir;
  mode = mode_proth;
  zelstatus_dat_filename = "ZelStatus.dat";
  const std::uint32_t saved_rate = interval_rate;
  interval_rate = 1234;
  std::ostringstream out;
  progress_save(1000000000039, out);
  interval_rate = 0;
  progress_save(1000000000061, out);
  interval_rate = saved_rate;
  EXPECT_EQ(out.str(), "p = 1000000000039 @ 1234kp/s\np = 1000000000061 @ ???kp/s\n");
  EXPECT_EQ(dir.get("ZelStatus.dat"),
            "pmin=1000000000039 @ 1234 kp/s\npmin=1000000000061 @ 0 kp/s\n");
}

}  // namespace
}  // namespace quorvel
