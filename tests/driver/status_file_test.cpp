// Reading and writing the status file, and the line rule it shares with
// the range queue.
#include "driver/status_file.hpp"

#include <gtest/gtest.h>

#include "driver/driver_test_util.hpp"

namespace quorvel {
namespace {

TEST(ReadRangeLine, KeysInTheFirstFourCharactersValueFromTheSixth) {
  std::uint64_t pmin = 11, pmax = 22;
  EXPECT_TRUE(read_range_line("pmin=1500010000031 @ 1234 kp/s", pmin, pmax));
  EXPECT_EQ(pmin, 1500010000031u);
  EXPECT_EQ(pmax, 22u);
  EXPECT_TRUE(read_range_line("pmax=2000000000000", pmin, pmax));
  EXPECT_EQ(pmax, 2000000000000u);
  // The fifth character is skipped unchecked.
  EXPECT_TRUE(read_range_line("pmin:77", pmin, pmax));
  EXPECT_EQ(pmin, 77u);
  EXPECT_TRUE(read_range_line("pmaxx123", pmin, pmax));
  EXPECT_EQ(pmax, 123u);
  // Without a number the value becomes 0.
  EXPECT_TRUE(read_range_line("pmin=", pmin, pmax));
  EXPECT_EQ(pmin, 0u);
  // A bare key carries no value; other lines are ignored.
  pmin = 5;
  pmax = 6;
  for (const char* line : {"pmin", "pmax", "Done", "", "Pmin=3", " pmin=3", "pmi=3", "junk"}) {
    EXPECT_FALSE(read_range_line(line, pmin, pmax)) << line;
    EXPECT_EQ(pmin, 5u) << line;
    EXPECT_EQ(pmax, 6u) << line;
  }
}

TEST(ReadStatusFile, MissingFileOrNoName) {
  test::InScratchDir dir;
  EXPECT_FALSE(read_status_file("ZelStatus.dat").has_value());
  EXPECT_FALSE(read_status_file("").has_value());
}

TEST(ReadStatusFile, InterruptedRangeResumesFromLastProgressLine) {
  test::InScratchDir dir;
  dir.put("ZelStatus.dat",
          "pmax=2000000000000\npmin=1500000000000\npmin=1500010000031 @ 1234 kp/s\n"
          "pmin=1500020000041 @ 1240 kp/s\n");
  const auto c = read_status_file("ZelStatus.dat");
  ASSERT_TRUE(c.has_value());
  EXPECT_FALSE(c->done);
  EXPECT_EQ(c->pmin, 1500020000041u);
  EXPECT_EQ(c->pmax, 2000000000000u);
  EXPECT_EQ(c->range_start, 1500000000000u);
}

TEST(ReadStatusFile, RangeStartIsThePminRightAfterThePmaxLine) {
  test::InScratchDir dir;
  // A progress line and a line below a stopped prime are progress, not starts.
  dir.put("s.dat", "pmax=90\npmin=11\npmin=13 @ 0 kp/s\npmin=16\n");
  auto c = read_status_file("s.dat");
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->range_start, 11u);
  EXPECT_EQ(c->pmin, 16u);
  // Only the last start pair counts, and a start with no pmin yet has none.
  dir.put("s.dat", "pmax=90\npmin=11\npmin=13\npmax=80\njunk\npmin=40\npmin=41 @ 3 kp/s\n");
  c = read_status_file("s.dat");
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->range_start, 40u);
  EXPECT_EQ(c->pmin, 41u);
  EXPECT_EQ(c->pmax, 80u);
  dir.put("s.dat", "pmax=90\n");
  c = read_status_file("s.dat");
  ASSERT_TRUE(c.has_value());
  EXPECT_EQ(c->range_start, 0u);

  // A line saying why a range stopped early is read by no one.
  dir.put("s.dat", "pmax=2000\npmin=1000\npmin=1031 @ 7 kp/s\nStopped at p=1031: 0 factors\n");
  c = read_status_file("s.dat");
  ASSERT_TRUE(c.has_value());
  EXPECT_FALSE(c->done);
  EXPECT_EQ(c->pmin, 1031u);
  EXPECT_EQ(c->range_start, 1000u);
}

TEST(ReadStatusFile, DoneEndsTheReading) {
  test::InScratchDir dir;
  dir.put("s.dat", "pmax=20\npmin=10\npmin=13 @ 0 kp/s\nDone\npmin=99\npmax=100\n");
  auto c = read_status_file("s.dat");
  ASSERT_TRUE(c.has_value());
  EXPECT_TRUE(c->done);
  EXPECT_EQ(c->pmin, 13u);
  EXPECT_EQ(c->pmax, 20u);

  // Only a whole line "Done" counts; a last line without end of line still does.
  dir.put("s.dat", "pmax=20\nDone!\n Done\npmin=10\nDone");
  c = read_status_file("s.dat");
  ASSERT_TRUE(c.has_value());
  EXPECT_TRUE(c->done);
  EXPECT_EQ(c->pmin, 10u);
}

TEST(ReadStatusFile, EmptyFileGivesZeroRange) {
  test::InScratchDir dir;
  dir.put("s.dat", "");
  const auto c = read_status_file("s.dat");
  ASSERT_TRUE(c.has_value());
  EXPECT_FALSE(c->done);
  EXPECT_EQ(c->pmin, 0u);
  EXPECT_EQ(c->pmax, 0u);
}

TEST(StatusFileWrites, StartLinesProgressAndDone) {
  test::InScratchDir dir;
  write_start_lines("s.dat", 1000000000001, 2000000000000);
  append_status_line("s.dat", "pmin=1000010000019 @ 0 kp/s");
  append_status_line("s.dat", "Done");
  EXPECT_EQ(dir.get("s.dat"),
            "pmax=2000000000000\npmin=1000000000001\npmin=1000010000019 @ 0 kp/s\nDone\n");
  // Start lines append to an existing file.
  write_start_lines("s.dat", 3, 4);
  EXPECT_EQ(dir.get("s.dat").substr(dir.get("s.dat").size() - 14), "pmax=4\npmin=3\n");

  rewrite_status_file("s.dat", 5, 6);
  EXPECT_EQ(dir.get("s.dat"), "pmax=6\npmin=5\n");
  remove_status_file("s.dat");
  EXPECT_FALSE(dir.exists("s.dat"));
}

TEST(StatusFileWrites, EmptyNameWritesNothing) {
  test::InScratchDir dir;
  write_start_lines("", 1, 2);
  rewrite_status_file("", 1, 2);
  append_status_line("", "Done");
  remove_status_file("");
  EXPECT_EQ(dir.listing(), "");
}

}  // namespace
}  // namespace quorvel
