// The end of a range: the next range from the queue, the wait with -w
// (with a fake sleep), or the end of the run.
#include "driver/next_range.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "driver/driver_test_util.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

void name_for_proth() {
  zelstatus_dat_filename = "ZelStatus.dat";
  nextrange_txt_filename = "nextrange.txt";
}

TEST(TakeNextRange, NoQueueEndsTheRun) {
  test::InScratchDir dir;
  name_for_proth();
  dir.put("ZelStatus.dat", "pmax=2\npmin=1\nDone\n");
  options_t opt;
  opt.pmin = 1;
  opt.pmax = 2;
  std::ostringstream out;
  int sleeps = 0;
  EXPECT_FALSE(take_next_range(opt, out, [&](unsigned) { ++sleeps; }));
  EXPECT_EQ(out.str(), "\nNo new range found in nextrange.txt. Exiting.\n");
  EXPECT_EQ(sleeps, 0);
  EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=2\npmin=1\nDone\n");
}

TEST(TakeNextRange, RangeFromQueueRewritesStatusFile) {
  test::InScratchDir dir;
  name_for_proth();
  dir.put("ZelStatus.dat", "pmax=2000000000\npmin=1000000000\nDone\n");
  dir.put("nextrange.txt", "pmin=3000000000\npmax=4000000000\npmin=5\n");
  options_t opt;
  opt.range_start = 1000000000;  // the first range was a continued one
  std::ostringstream out;
  EXPECT_TRUE(take_next_range(opt, out, [](unsigned) { FAIL() << "no wait expected"; }));
  EXPECT_EQ(opt.range_start, 0u);  // a new range begins at its pmin
  EXPECT_EQ(opt.pmin, 3000000000u);
  EXPECT_EQ(opt.pmax, 4000000000u);
  EXPECT_EQ(out.str(), "\nFound a new range in nextrange.txt. Starting work on that one.\n");
  EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=4000000000\npmin=3000000000\n");
  EXPECT_EQ(dir.get("nextrange.txt"), "pmin=5\n");
  EXPECT_EQ(dir.listing(), "ZelStatus.dat nextrange.txt");
}

TEST(TakeNextRange, WaitsFiveMinutesBetweenLooksUntilARangeComes) {
  test::InScratchDir dir;
  name_for_proth();
  nextrange_txt_filename = "nextrange01.txt";
  dir.put("nextrange01.txt", "pmin=7\n");  // incomplete: not a range yet
  options_t opt;
  opt.waitforrange = true;
  std::ostringstream out;
  std::vector<unsigned> sleeps;
  const bool found = take_next_range(opt, out, [&](unsigned seconds) {
    sleeps.push_back(seconds);
    // A script completes the queue while the third wait is under way.
    if (sleeps.size() == 3) dir.put("nextrange01.txt", "pmin=7\npmax=11\n");
  });
  EXPECT_TRUE(found);
  EXPECT_EQ(sleeps, (std::vector<unsigned>{300, 300, 300}));
  const std::string wait = "\nNo new range found in nextrange01.txt. Waiting 5 mins...";
  EXPECT_EQ(out.str(), wait + wait + wait +
                           "\nFound a new range in nextrange01.txt. Starting work on that one.\n");
  EXPECT_EQ(opt.pmin, 7u);
  EXPECT_EQ(opt.pmax, 11u);
  EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=11\npmin=7\n");
  EXPECT_EQ(dir.get("nextrange01.txt"), "");
}

TEST(TakeNextRange, ModesWithoutStatusFileWriteNone) {
  test::InScratchDir dir;
  zelstatus_dat_filename = "";
  nextrange_txt_filename = "nextrange.txt";
  dir.put("nextrange.txt", "pmax=50\npmin=40\n");
  options_t opt;
  std::ostringstream out;
  EXPECT_TRUE(take_next_range(opt, out, [](unsigned) {}));
  EXPECT_EQ(opt.pmin, 40u);
  EXPECT_EQ(opt.pmax, 50u);
  EXPECT_EQ(dir.listing(), "nextrange.txt");
}

}  // namespace
}  // namespace quorvel
