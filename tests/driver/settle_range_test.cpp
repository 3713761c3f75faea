// Settlement of the first range against every state of the status file,
// with scripted answers.
#include "driver/settle_range.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "driver/driver_test_util.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

const std::string question = "Do you wish to clear ZelStatus.dat and begin a new range? [y/n] : ";
const std::string prompts = "Sieve from (in billions) : Sieve to (in billions) : ";

struct Settled {
  bool ok;
  options_t opt;
  std::string out;
};

Settled settle(options_t opt, const std::string& input) {
  zelstatus_dat_filename = "ZelStatus.dat";
  std::istringstream in(input);
  std::ostringstream out;
  Settled s;
  s.ok = settle_first_range(opt, in, out);
  s.opt = opt;
  s.out = out.str();
  return s;
}

options_t command_line_range(std::uint64_t pmin, std::uint64_t pmax, bool force = false) {
  options_t opt;
  opt.range_given = true;
  opt.pmin = pmin;
  opt.pmax = pmax;
  opt.force = force;
  return opt;
}

const std::string finished = "pmax=20\npmin=10\npmin=13 @ 0 kp/s\nDone\n";
const std::string unfinished = "pmax=2000\npmin=1000\npmin=1031 @ 7 kp/s\n";

TEST(SettleFirstRange, CommandLineRangeWithoutStatusFile) {
  test::InScratchDir dir;
  const Settled s = settle(command_line_range(1000000000001, 2000000000000), "");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.out, "");
  EXPECT_EQ(s.opt.pmin, 1000000000001u);  // as given: made even later
  EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=2000000000000\npmin=1000000000001\n");
}

TEST(SettleFirstRange, CommandLineRangeClearsAnyStatusFileAfterYes) {
  for (const std::string& old : {finished, unfinished, std::string()}) {
    test::InScratchDir dir;
    dir.put("ZelStatus.dat", old);
    const Settled s = settle(command_line_range(5, 9), "y\n");
    EXPECT_TRUE(s.ok) << old;
    EXPECT_EQ(s.out, question) << old;
    EXPECT_EQ(s.opt.pmin, 5u);
    EXPECT_EQ(s.opt.pmax, 9u);
    EXPECT_FALSE(s.opt.resumed) << old;  // a new range, not a continued one
    EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=9\npmin=5\n") << old;
  }
}

TEST(SettleFirstRange, CommandLineRangeDeclinedLeavesStatusFile) {
  test::InScratchDir dir;
  dir.put("ZelStatus.dat", unfinished);
  Settled s = settle(command_line_range(5, 9), "n\n");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.out, question + "Exiting.\n");
  EXPECT_EQ(dir.get("ZelStatus.dat"), unfinished);

  s = settle(command_line_range(5, 9), "");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(dir.get("ZelStatus.dat"), unfinished);
}

TEST(SettleFirstRange, ForceClearsWithoutAsking) {
  test::InScratchDir dir;
  dir.put("ZelStatus.dat", unfinished);
  const Settled s = settle(command_line_range(5, 9, true), "");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.out, "");
  EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=9\npmin=5\n");
}

TEST(SettleFirstRange, UnfinishedStatusFileContinuesWithoutAsking) {
  test::InScratchDir dir;
  dir.put("ZelStatus.dat", unfinished);
  const Settled s = settle(options_t{}, "y\n");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.out, "Found ZelStatus.dat with unfinished work. Continuing from last save point.\n");
  EXPECT_EQ(s.opt.pmin, 1031u);
  EXPECT_EQ(s.opt.pmax, 2000u);
  EXPECT_TRUE(s.opt.resumed);
  EXPECT_EQ(s.opt.range_start, 1000u);
  EXPECT_EQ(dir.get("ZelStatus.dat"), unfinished);  // nothing written
}

TEST(SettleFirstRange, UnusableStatusFileGivesItsRangeSilently) {
  test::InScratchDir dir;
  for (const std::string& content :
       {std::string(), std::string("pmax=5\npmin=5\n"), std::string("pmax=4\npmin=9\n")}) {
    dir.put("ZelStatus.dat", content);
    const Settled s = settle(options_t{}, "");
    EXPECT_TRUE(s.ok) << content;
    EXPECT_EQ(s.out, "") << content;
    EXPECT_GE(s.opt.pmin, s.opt.pmax) << content;
    EXPECT_EQ(dir.get("ZelStatus.dat"), content);
  }
}

TEST(SettleFirstRange, FinishedStatusFileAsksThenPrompts) {
  test::InScratchDir dir;
  dir.put("ZelStatus.dat", finished);
  const Settled s = settle(options_t{}, "Y\n3\n4\n");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.out, "Found ZelStatus.dat with completed work.\n" + question + prompts);
  EXPECT_EQ(s.opt.pmin, 3000000000u);
  EXPECT_EQ(s.opt.pmax, 4000000000u);
  EXPECT_FALSE(s.opt.resumed);
  EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=4000000000\npmin=3000000000\n");
}

TEST(SettleFirstRange, FinishedStatusFileDeclined) {
  test::InScratchDir dir;
  dir.put("ZelStatus.dat", finished);
  const Settled s = settle(options_t{}, "n\n3\n4\n");
  EXPECT_FALSE(s.ok);
  EXPECT_EQ(s.out, "Found ZelStatus.dat with completed work.\n" + question + "Exiting.\n");
  EXPECT_EQ(dir.get("ZelStatus.dat"), finished);
}

TEST(SettleFirstRange, FinishedStatusFileWithForcePromptsOnly) {
  test::InScratchDir dir;
  dir.put("ZelStatus.dat", finished);
  options_t opt;
  opt.force = true;
  const Settled s = settle(opt, "7\n8\n");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.out, "Found ZelStatus.dat with completed work.\n" + prompts);
  EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=8000000000\npmin=7000000000\n");
}

TEST(SettleFirstRange, NoStatusFilePromptsAndWritesTheRangeUnchecked) {
  test::InScratchDir dir;
  const Settled s = settle(options_t{}, "0\n1\n");
  EXPECT_TRUE(s.ok);
  EXPECT_EQ(s.out, prompts);
  EXPECT_EQ(dir.get("ZelStatus.dat"), "pmax=1000000000\npmin=0\n");
}

TEST(SettleFirstRange, NoStatusFileAndNoAnswer) {
  test::InScratchDir dir;
  const Settled s = settle(options_t{}, "");
  EXPECT_FALSE(s.ok);
  EXPECT_FALSE(dir.exists("ZelStatus.dat"));
}

TEST(SettleFirstRange, ModesWithoutStatusFile) {
  test::InScratchDir dir;
  zelstatus_dat_filename = "";
  std::istringstream in("1\n2\n");
  std::ostringstream out;
  options_t opt;
  ASSERT_TRUE(settle_first_range(opt, in, out));
  EXPECT_EQ(out.str(), prompts);
  EXPECT_EQ(opt.pmin, 1000000000u);
  EXPECT_EQ(dir.listing(), "");

  opt = command_line_range(0, 100);
  std::istringstream none("");
  ASSERT_TRUE(settle_first_range(opt, none, out));
  EXPECT_EQ(dir.listing(), "");
}

}  // namespace
}  // namespace quorvel
