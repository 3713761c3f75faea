// Striking the numbers of factors from the k-range bitmaps (what applying a
// factor file does in the k-range modes), the sieve depth read back from a
// file's header, and files with the headers written before the plus and
// twin headers were corrected, which must read back exactly like new ones.
#include <gtest/gtest.h>

#include "krange_test_util.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using krange_test::set_range;
using test::read_file;
using test::ScratchDir;
using test::write_file;

/// Sets the k-range mode up from scratch (every k a candidate) with the given
/// sides, the console swallowed.
void start(std::uint32_t klow, std::uint32_t khigh, std::uint32_t nlow, std::uint32_t nhigh,
           bool plus, bool minus, const ScratchDir& dir) {
  set_range(klow, khigh, nlow, nhigh);
  testing::internal::CaptureStdout();
  krange_initialize(plus ? (dir / "absent+").string() : "0",
                    minus ? (dir / "absent-").string() : "0");
  testing::internal::GetCapturedStdout();
}

TEST(KrangeStrike, EachSignStrikesItsOwnSide) {
  ScratchDir dir;
  start(11, 41, 100, 200, true, true, dir);  // k = 11, 13, ..., 41: 16 values
  EXPECT_EQ(krange_strike(false, 13, 150, +1), strike_result::struck);
  EXPECT_EQ(krange_bitmapplus, (std::vector<std::uint8_t>{0x02, 0x00}));
  EXPECT_EQ(krange_bitmapminus, (std::vector<std::uint8_t>{0x00, 0x00}));
  EXPECT_EQ(krange_strike(false, 13, 199, +1), strike_result::already_gone);
  EXPECT_EQ(krange_strike(false, 41, 100, -1), strike_result::struck);
  EXPECT_EQ(krange_strike(false, 11, 200, -1), strike_result::struck);
  EXPECT_EQ(krange_bitmapminus, (std::vector<std::uint8_t>{0x01, 0x80}));
  EXPECT_EQ(krange_numbers_left(), 32u - 3u);
}

TEST(KrangeStrike, OutsideTheRangeOrEvenKStrikesNothing) {
  ScratchDir dir;
  start(11, 41, 100, 200, true, true, dir);
  const auto plus = krange_bitmapplus, minus = krange_bitmapminus;
  struct row {
    std::uint64_t k, n;
  };
  for (const row r : {row{9, 150}, row{43, 150}, row{12, 150}, row{13, 99}, row{13, 201},
                      row{13 + (1ULL << 32), 150}, row{~0ULL, 150}, row{13, ~0ULL}}) {
    for (int sign : {+1, -1})
      EXPECT_EQ(krange_strike(false, r.k, r.n, sign), strike_result::outside)
          << r.k << " " << r.n << " " << sign;
  }
  EXPECT_EQ(krange_bitmapplus, plus);
  EXPECT_EQ(krange_bitmapminus, minus);
}

TEST(KrangeStrike, ASideSwitchedOffIsTheWrongForm) {
  ScratchDir dir;
  start(1, 15, 5, 6, false, true, dir);
  EXPECT_EQ(krange_strike(false, 3, 5, +1), strike_result::wrong_form);
  EXPECT_EQ(krange_strike(false, 99, 5, +1), strike_result::wrong_form);
  EXPECT_EQ(krange_strike(false, 3, 5, -1), strike_result::struck);
  start(1, 15, 5, 6, true, false, dir);
  EXPECT_EQ(krange_strike(false, 3, 5, -1), strike_result::wrong_form);
  EXPECT_EQ(krange_strike(false, 3, 6, +1), strike_result::struck);
  EXPECT_EQ(krange_bitmapplus, std::vector<std::uint8_t>{0x02});
}

TEST(KrangeStrike, TwinModeTakesEitherSignAtItsOneN) {
  ScratchDir dir;
  set_range(1, 17, 40, 40);
  testing::internal::CaptureStdout();
  krangetwin_initialize((dir / "absent").string());
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(krange_strike(true, 5, 40, +1), strike_result::struck);
  EXPECT_EQ(krange_strike(true, 5, 40, -1), strike_result::already_gone);
  EXPECT_EQ(krange_strike(true, 17, 40, -1), strike_result::struck);
  EXPECT_EQ(krange_strike(true, 7, 41, -1), strike_result::outside);
  EXPECT_EQ(krange_strike(true, 7, 39, +1), strike_result::outside);
  EXPECT_EQ(krange_strike(true, 19, 40, +1), strike_result::outside);
  EXPECT_EQ(krangetwin_bitmap, (std::vector<std::uint8_t>{0x04, 0xFF}));
}

TEST(KrangeFileHeaders, OldAndNewHeadersReadBackTheSame) {
  ScratchDir dir;
  set_range(1, 17, 3, 3);
  const std::string body = "1 3\n7 3\n17 3\n";
  std::vector<std::uint8_t> first;
  for (const char* header : {"100:M:0:2:2\n", "100:P:0:2:1\n", "100:T:0:2:3\n"}) {
    write_file(dir / "f.txt", header + body);
    std::vector<std::uint8_t> bitmap(2, 0);
    testing::internal::CaptureStdout();
    krange_readdat((dir / "f.txt").string(), bitmap);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(bitmap, (std::vector<std::uint8_t>{0xF6, 0xFE})) << header;
    EXPECT_EQ(krange_file_depth((dir / "f.txt").string()), 100u) << header;
  }
}

TEST(KrangeFileHeaders, DepthIsTheHeadersLeadingNumber) {
  ScratchDir dir;
  const std::string f = (dir / "d.txt").string();
  write_file(dir / "d.txt", "18446744073709551615:P:0:2:1\n1 2\n");
  EXPECT_EQ(krange_file_depth(f), 18446744073709551615ULL);
  write_file(dir / "d.txt", "4000000000000000000:M:0:2:2");
  EXPECT_EQ(krange_file_depth(f), 4000000000000000000ULL);
  write_file(dir / "d.txt", "header\n5 3\n");
  EXPECT_EQ(krange_file_depth(f), 0u);
  write_file(dir / "d.txt", "");
  EXPECT_EQ(krange_file_depth(f), 0u);
  EXPECT_EQ(krange_file_depth((dir / "absent").string()), 0u);
}

TEST(KrangeFileHeaders, WritingAnOldFileGivesTheHeaderOfItsSide) {
  ScratchDir dir;
  set_range(1, 7, 9, 9);
  const std::string plus = (dir / "p.txt").string(), minus = (dir / "m.txt").string();
  write_file(plus, "50:M:0:2:2\n3 9\n5 9\n");
  write_file(minus, "50:M:0:2:2\n1 9\n");
  testing::internal::CaptureStdout();
  krange_initialize(plus, minus);
  krange_writedat(plus, minus, 60);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(read_file(plus), "60:P:0:2:1\n3 9\n5 9\n");
  EXPECT_EQ(read_file(minus), "60:M:0:2:2\n1 9\n");
}

}  // namespace
}  // namespace quorvel
