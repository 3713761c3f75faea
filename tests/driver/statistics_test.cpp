// The statistics block of a finished range.
#include "driver/statistics.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "driver/driver_test_util.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

range_figures example() {
  range_figures f;
  f.pmin = 1000000000000;
  f.pmax = 1001000000000;
  f.p_end = 1001000000000;  // distance 10^9
  f.num_k = 11;
  f.testedp = 36190083;
  f.whackedk = 1234;
  f.whackedp = 56;
  f.cpu_ticks = 2500000;  // 2.5 s
  return f;
}

const std::string head =
    "\nStatistics:\npmin        : 1000000000000\npmax        : 1001000000000\n";
const std::string counters =
    "# Tested p  : 36190083\n# Tested k  : 398090913\n# Whacked k : 1234\n"
    "# Whacked p : 56\n";
// 10^9 / (2 + 0.000001) / 1000 = 499999.75: whole seconds only, truncated.
const std::string tail = "Total time: 2500 ms.\n499999kp/s.\n";

TEST(FormatStatistics, TwoAndAHalfSecondsOverOneBillion) {
  const statistics_text t = format_statistics(example(), 0);
  EXPECT_EQ(t.file, head + counters + tail);
  EXPECT_EQ(t.console, head + tail);
  EXPECT_EQ(format_statistics(example(), 1).console, head + counters + tail);
  EXPECT_EQ(format_statistics(example(), 2).console, head + counters + tail);
}

TEST(FormatStatistics, NoteFollowsTheBlockInTheFileOnly) {
  range_figures f = example();
  f.note = "Stopped at p=1000500000001: 0 factors in 1800.0 processor seconds";
  const statistics_text t = format_statistics(f, 1);
  EXPECT_EQ(t.file, head + counters + tail + f.note + "\n");
  EXPECT_EQ(t.console, head + counters + tail);
}

TEST(FormatStatistics, SpeedUsesTheFirstPrimeAbovePmaxAndWholeSeconds) {
  range_figures f = example();
  f.p_end = f.pmax + 7000;  // distance 10^9 + 7000
  f.cpu_ticks = 3999999;    // 3 whole seconds
  const std::string file = format_statistics(f, 0).file;
  // (10^9 + 7000) / 3.000001 / 1000 = 333335.55...
  EXPECT_NE(file.find("Total time: 3999 ms.\n333335kp/s.\n"), std::string::npos) << file;

  // Below one second the divisor is 0.000001: a huge speed.
  f = example();
  f.p_end = f.pmin + 1000;
  f.cpu_ticks = 999;
  EXPECT_NE(format_statistics(f, 0).file.find("Total time: 0 ms.\n1000000kp/s.\n"),
            std::string::npos);
}

TEST(FormatStatistics, TestedKIsA64BitProductAndZeroWithoutKTable) {
  range_figures f = example();
  f.num_k = 104;
  f.testedp = 100000000000;  // 1.04e13 does not fit 32 bits
  EXPECT_NE(format_statistics(f, 0).file.find("# Tested k  : 10400000000000\n"), std::string::npos);
  f.num_k = 0;
  EXPECT_NE(format_statistics(f, 0).file.find("# Tested k  : 0\n"), std::string::npos);
}

TEST(WriteStatistics, AppendsOneBlockPerRange) {
  test::InScratchDir dir;
  verbose = 0;
  std::ostringstream out;
  write_statistics(example(), "stat.txt", out);
  range_figures second = example();
  second.pmin = 1001000000000;
  second.pmax = 1002000000000;
  second.p_end = 1002000000000;
  write_statistics(second, "stat.txt", out);
  const std::string head2 =
      "\nStatistics:\npmin        : 1001000000000\npmax        : 1002000000000\n";
  EXPECT_EQ(out.str(), head + tail + head2 + tail);
  EXPECT_EQ(dir.get("stat.txt"), head + counters + tail + head2 + counters + tail);
}

TEST(WriteStatistics, UnwritableFileStillShowsConsoleLines) {
  test::InScratchDir dir;
  verbose = 1;
  std::ostringstream out;
  write_statistics(example(), "no-such-dir/stat.txt", out);
  verbose = 0;
  EXPECT_EQ(out.str(), head + counters + tail);
  EXPECT_EQ(dir.listing(), "");
}

}  // namespace
}  // namespace quorvel
