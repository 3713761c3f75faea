// The range queue: the first complete range is taken out, lines read
// before it go with it, the rest stays.
#include "driver/range_file.hpp"

#include <gtest/gtest.h>

#include "driver/driver_test_util.hpp"

namespace quorvel {
namespace {

struct Taken {
  bool found;
  std::uint64_t pmin, pmax;
  std::string left;
};

Taken take(const test::InScratchDir& dir, const std::string& content) {
  dir.put("nextrange.txt", content);
  Taken t{false, 111, 222, ""};
  t.found = get_next_range("nextrange.txt", t.pmin, t.pmax);
  t.left = dir.get("nextrange.txt");
  return t;
}

TEST(GetNextRange, TakesTheFirstCompleteRangeAndKeepsTheRest) {
  test::InScratchDir dir;
  Taken t = take(dir,
                 "pmin=3000000000000\npmax=3100000000000\npmin=3100000000000\n"
                 "pmax=3200000000000\n");
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.pmin, 3000000000000u);
  EXPECT_EQ(t.pmax, 3100000000000u);
  EXPECT_EQ(t.left, "pmin=3100000000000\npmax=3200000000000\n");

  // The second call takes the second range and leaves an empty file.
  t.found = get_next_range("nextrange.txt", t.pmin, t.pmax);
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.pmin, 3100000000000u);
  EXPECT_EQ(t.pmax, 3200000000000u);
  EXPECT_EQ(dir.get("nextrange.txt"), "");
  EXPECT_TRUE(dir.exists("nextrange.txt"));
}

TEST(GetNextRange, EitherOrderAndJunkBeforeTheRangeGoesWithIt) {
  test::InScratchDir dir;
  const Taken t = take(dir, "pmax=5\njunk\npmin=3\n");
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.pmin, 3u);
  EXPECT_EQ(t.pmax, 5u);
  EXPECT_EQ(t.left, "");
}

TEST(GetNextRange, ZeroCountsAsMissing) {
  test::InScratchDir dir;
  const Taken t = take(dir, "pmin=0\npmin=7\npmax=9\nx\n");
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.pmin, 7u);
  EXPECT_EQ(t.pmax, 9u);
  EXPECT_EQ(t.left, "x\n");
}

TEST(GetNextRange, LaterValueOfTheSameKeyWinsUntilBothAreSet) {
  test::InScratchDir dir;
  const Taken t = take(dir, "pmin=1\npmin=2\npmax=8\npmax=9\n");
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.pmin, 2u);
  EXPECT_EQ(t.pmax, 8u);
  EXPECT_EQ(t.left, "pmax=9\n");
}

TEST(GetNextRange, RemainingLinesGetAnEndOfLine) {
  test::InScratchDir dir;
  const Taken t = take(dir, "pmin=1\npmax=2\na\n\nb");
  EXPECT_TRUE(t.found);
  EXPECT_EQ(t.left, "a\n\nb\n");
}

TEST(GetNextRange, IncompleteRangeLeavesFileAndValuesAlone) {
  test::InScratchDir dir;
  for (const char* content : {"pmin=3\n", "pmin=3\npmax=0\n", "", "pmin\npmax\n", "junk"}) {
    const Taken t = take(dir, content);
    EXPECT_FALSE(t.found) << content;
    EXPECT_EQ(t.pmin, 111u) << content;
    EXPECT_EQ(t.pmax, 222u) << content;
    EXPECT_EQ(t.left, content);
  }
}

TEST(GetNextRange, MissingFile) {
  test::InScratchDir dir;
  std::uint64_t pmin = 1, pmax = 2;
  EXPECT_FALSE(get_next_range("nextrange.txt", pmin, pmax));
  EXPECT_EQ(pmin, 1u);
  EXPECT_EQ(pmax, 2u);
  EXPECT_FALSE(dir.exists("nextrange.txt"));
}

TEST(GetNextRange, LeavesNoTemporaryFiles) {
  test::InScratchDir dir;
  take(dir, "pmin=1\npmax=2\nrest\n");
  EXPECT_EQ(dir.listing(), "nextrange.txt");
}

}  // namespace
}  // namespace quorvel
