// The end of a run at a false factor: the line on the console, the progress
// line below the prime in the status file, and that a run started again
// continues with that very prime.
#include <gtest/gtest.h>

#include <sstream>

#include "driver/driver_test_util.hpp"
#include "driver/run_driver.hpp"
#include "driver/settle_range.hpp"
#include "driver/status_file.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

TEST(StopOnFalseFactor, SavesProgressBelowThePrimeAndEndsWithOne) {
  test::InScratchDir dir;
  zelstatus_dat_filename = "ZelStatus.dat";
  const std::string start = "pmax=1002000000\npmin=1000000000\npmin=1000100003 @ 0 kp/s\n";
  dir.put("ZelStatus.dat", start);
  std::ostringstream out;
  EXPECT_EQ(stop_on_false_factor(false_factor_error(1000123457, "5*2^20001+1"), out), 1);
  EXPECT_EQ(out.str(),
            "Error: the check of the factor 1000123457 | 5*2^20001+1 failed; it was not written. "
            "Stopped with progress saved before p=1000123457.\n");
  EXPECT_EQ(dir.get("ZelStatus.dat"), start + "pmin=1000123456\n");

  // A new start continues the range from just below that prime.
  options_t opt;
  std::istringstream in;
  std::ostringstream said;
  ASSERT_TRUE(settle_first_range(opt, in, said));
  EXPECT_EQ(opt.pmin, 1000123456u);
  EXPECT_EQ(opt.pmax, 1002000000u);
  EXPECT_EQ(opt.range_start, 1000000000u);
}

TEST(StopOnFalseFactor, ModesWithoutStatusFileOnlySaySo) {
  test::InScratchDir dir;
  zelstatus_dat_filename = "";
  std::ostringstream out;
  EXPECT_EQ(stop_on_false_factor(false_factor_error(101, "7*2^5-1"), out), 1);
  EXPECT_EQ(out.str(),
            "Error: the check of the factor 101 | 7*2^5-1 failed; it was not written. Stopped.\n");
  EXPECT_EQ(dir.listing(), "");
}

}  // namespace
}  // namespace quorvel
