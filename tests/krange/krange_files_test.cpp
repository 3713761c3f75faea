// The k-range bitmaps and files: start from scratch and its bit layout, the
// documented file content, reading back to the same bitmap, and reading of
// files with odd, malformed or out-of-range lines, which must never reach
// outside the bitmap. Expected contents follow the documented format.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "krange_test_util.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using krange_test::set_range;
using test::read_file;
using test::ScratchDir;
using test::write_file;

/// krange_readdat into a fresh bitmap of the current range; returns the
/// console text through `console`.
std::vector<std::uint8_t> read_bitmap(const std::string& file, std::string* console = nullptr) {
  const std::uint64_t c = (static_cast<std::uint64_t>(krange_khigh - krange_klow) >> 1) + 1;
  std::vector<std::uint8_t> bitmap((c + 7) / 8, 0x5A);
  testing::internal::CaptureStdout();
  krange_readdat(file, bitmap);
  const std::string out = testing::internal::GetCapturedStdout();
  if (console != nullptr) *console = out;
  return bitmap;
}

std::uint32_t clear_bits(const std::vector<std::uint8_t>& bitmap) {
  std::uint32_t n = 0;
  for (std::uint8_t b : bitmap)
    for (int i = 0; i < 8; ++i) n += ((b >> i) & 1) == 0;
  return n;
}

TEST(KrangeFiles, FullByteRangeStartsFromScratchAndWritesEveryK) {
  ScratchDir dir;
  set_range(1, 15, 123, 130);
  const std::string file = (dir / "m.txt").string();
  std::string console;
  const auto bitmap = read_bitmap(file, &console);
  EXPECT_EQ(console, "No krange file found, starting from scratch.\n");
  EXPECT_EQ(bitmap, std::vector<std::uint8_t>{0x00});
  krange_writefile(file, 1000000000000ULL, bitmap, krange_form::minus);
  EXPECT_EQ(read_file(file),
            "1000000000000:M:0:2:2\n1 123\n3 123\n5 123\n7 123\n9 123\n11 123\n13 123\n15 123\n");
}

TEST(KrangeFiles, NineValuesUseTwoBytesWithPaddingSet) {
  ScratchDir dir;
  set_range(1, 17, 5, 5);
  const auto bitmap = read_bitmap((dir / "absent").string());
  EXPECT_EQ(bitmap, (std::vector<std::uint8_t>{0x00, 0xFE}));
}

TEST(KrangeFiles, EvenKhighEndsAtKhighMinusOne) {
  ScratchDir dir;
  set_range(3, 20, 9, 9);  // k = 3, 5, ..., 19: 9 values
  const std::string file = (dir / "p.txt").string();
  const auto bitmap = read_bitmap(file);
  EXPECT_EQ(bitmap, (std::vector<std::uint8_t>{0x00, 0xFE}));
  krange_writefile(file, 77, bitmap, krange_form::plus);
  EXPECT_EQ(read_file(file), "77:P:0:2:1\n3 9\n5 9\n7 9\n9 9\n11 9\n13 9\n15 9\n17 9\n19 9\n");
}

TEST(KrangeFiles, HeaderOnlyOrEmptyFileLeavesNothing) {
  ScratchDir dir;
  set_range(1, 17, 5, 5);
  for (const std::string content : {"1000:M:0:2:2\n", "", "1000:M:0:2:2", "123 5\n"}) {
    write_file(dir / "h.txt", content);
    std::string console;
    const auto bitmap = read_bitmap((dir / "h.txt").string(), &console);
    EXPECT_EQ(console, "Reading " + (dir / "h.txt").string() + "... Done.\n") << content;
    EXPECT_EQ(bitmap, (std::vector<std::uint8_t>{0xFF, 0xFF})) << content;
  }
}

TEST(KrangeFiles, WrittenFileReadsBackToTheSameBitmap) {
  ScratchDir dir;
  std::mt19937_64 rng(4711);
  for (int trial = 0; trial < 20; ++trial) {
    const std::uint32_t klow = static_cast<std::uint32_t>(2 * (rng() % 100000) + 1);
    const std::uint32_t khigh = klow + static_cast<std::uint32_t>(rng() % 3000);
    const std::uint32_t nlow = static_cast<std::uint32_t>(rng());
    set_range(klow, khigh, nlow, nlow);
    const std::uint64_t c = ((khigh - klow) >> 1) + 1;
    // A random bitmap of the range; padding bits set as in every bitmap.
    std::vector<bool> alive(c);
    std::vector<std::uint8_t> bitmap((c + 7) / 8, 0xFF);
    const unsigned density = static_cast<unsigned>(rng() % 4);
    // Each form with its header: plus, minus, twin.
    const krange_form forms[] = {krange_form::plus, krange_form::minus, krange_form::twin};
    const char* const headers[] = {":P:0:2:1\n", ":M:0:2:2\n", ":T:0:2:3\n"};
    const krange_form form = forms[trial % 3];
    std::string expected = std::to_string(rng()) + headers[trial % 3];
    const std::string header = expected.substr(0, expected.find(':'));
    for (std::uint64_t i = 0; i < c; ++i) {
      alive[i] = density == 3 || (rng() % 4) < density;
      if (!alive[i]) continue;
      bitmap[i >> 3] &= static_cast<std::uint8_t>(~(1u << (i & 7)));
      expected += std::to_string(klow + 2 * i) + " " + std::to_string(nlow) + "\n";
    }
    const std::string file = (dir / "rt.txt").string();
    krange_writefile(file, std::stoull(header), bitmap, form);
    ASSERT_EQ(read_file(file), expected) << "trial " << trial;
    const auto back = read_bitmap(file);
    EXPECT_EQ(back, bitmap) << "trial " << trial << " klow=" << klow << " khigh=" << khigh;
  }
  // Only the file itself is left in the directory (no temporary files).
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(KrangeFiles, ReadingIgnoresLinesOutsideTheBitmapAndStopsAtGarbage) {
  ScratchDir dir;
  set_range(101, 131, 50, 60);  // k = 101 .. 131: 16 values, 2 bytes
  const std::string file = (dir / "odd.txt").string();
  write_file(file,
             "105 1\n"  // header: skipped whole even though it looks like a pair
             "101 50\n"
             "99 50\n"                   // below klow: ignored
             "133 50\n"                  // above khigh: ignored
             "102 50\n"                  // even: ignored
             "18446744073709551615 1\n"  // far outside: ignored
             "-1 50\n"                   // reads as 2^64-1: ignored
             "107 999999\n"              // n column not checked
             "  109\t\t7\n"              // any white space
             "113 50 115\n50\n"          // pairs need not follow lines
             "117 50\n"
             "117 50\n"  // listed twice: eliminated again
             "+119 50\n"
             "131 50");  // last pair without a line feed counts
  const auto bitmap = read_bitmap(file);
  std::vector<bool> alive(16, false);
  for (std::uint64_t k : {101, 107, 109, 113, 115, 119, 131}) alive[(k - 101) / 2] = true;
  krange_test::expect_bitmap(bitmap, alive, 101, "odd lines");

  write_file(file, "h\n101 50\n103 5x\n105 50\nabc 7\n107 50\n");
  // "5x": the pair reads 103 5, then "x" ends reading: 105 and 107 are not read.
  alive.assign(16, false);
  alive[0] = alive[1] = true;
  krange_test::expect_bitmap(read_bitmap(file), alive, 101, "garbage");

  write_file(file, "h\n101 50\n103");  // incomplete last pair is dropped
  alive.assign(16, false);
  alive[0] = true;
  krange_test::expect_bitmap(read_bitmap(file), alive, 101, "incomplete pair");

  write_file(file, "h\n101 50\n103 99999999999999999999999\n105 50\n");  // overflow ends reading
  krange_test::expect_bitmap(read_bitmap(file), alive, 101, "overflow");
}

TEST(KrangeFiles, ReadingRangeEndingNearTwoToThe32) {
  ScratchDir dir;
  const std::uint32_t khigh = 4294967294u;
  set_range(khigh - 15, khigh, 1, 1);  // k = 4294967279 .. 4294967293
  const std::string file = (dir / "top.txt").string();
  write_file(file, "x\n4294967293 1\n4294967295 1\n4294967297 1\n4294967279 1\n");
  std::vector<bool> alive(8, false);
  alive[0] = alive[7] = true;
  const auto bitmap = read_bitmap(file);
  krange_test::expect_bitmap(bitmap, alive, khigh - 15, "near 2^32");
  krange_writefile(file, 5, bitmap, krange_form::minus);
  EXPECT_EQ(read_file(file), "5:M:0:2:2\n4294967279 1\n4294967293 1\n");
}

TEST(KrangeInitialize, ReadsMinusThenPlusAndZeroSwitchesASideOff) {
  ScratchDir dir;
  set_range(1, 17, 3, 4);
  const std::string plus = (dir / "plus.txt").string(), minus = (dir / "minus.txt").string();
  write_file(plus, "9:M:0:2:2\n1 3\n17 3\n");
  testing::internal::CaptureStdout();
  krange_initialize(plus, minus);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "No krange file found, starting from scratch.\nReading " + plus + "... Done.\n");
  EXPECT_TRUE(krange_dominus);
  EXPECT_TRUE(krange_doplus);
  EXPECT_EQ(krange_bitmapsize, 2u);
  EXPECT_EQ(krange_bitmapminus, (std::vector<std::uint8_t>{0x00, 0xFE}));
  EXPECT_EQ(krange_bitmapplus, (std::vector<std::uint8_t>{0xFE, 0xFE}));
  EXPECT_EQ(krange_numbers_left(), 9u + 2u);

  testing::internal::CaptureStdout();
  krange_initialize("0", plus);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Reading " + plus + "... Done.\n");
  EXPECT_TRUE(krange_dominus);
  EXPECT_FALSE(krange_doplus);
  EXPECT_EQ(krange_numbers_left(), 2u);

  testing::internal::CaptureStdout();
  krange_writedat("0", minus, 4242);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing " + minus + "... Done.\n");
  EXPECT_EQ(read_file(minus), "4242:M:0:2:2\n1 3\n17 3\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "0"));
}

TEST(KrangeInitialize, TwinModeUsesOneBitmapForBothSides) {
  ScratchDir dir;
  set_range(5, 33, 10, 10);
  const std::string file = (dir / "twin.txt").string();
  write_file(file, "1:M:0:2:2\n5 10\n9 10\n33 10\n");
  testing::internal::CaptureStdout();
  krangetwin_initialize(file);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Reading " + file + "... Done.\n");
  EXPECT_TRUE(krange_dominus && krange_doplus);
  EXPECT_EQ(krangetwin_bitmap, (std::vector<std::uint8_t>{0xFA, 0xBF}));
  EXPECT_EQ(krange_numbers_left(), 3u);
  EXPECT_EQ(clear_bits(krangetwin_bitmap), 3u);
  testing::internal::CaptureStdout();
  krangetwin_writedat(file, 99);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing " + file + "... Done.\n");
  EXPECT_EQ(read_file(file), "99:T:0:2:3\n5 10\n9 10\n33 10\n");
}

TEST(KrangeWritedat, BothSidesMinusFirstAndFailureIsSilent) {
  ScratchDir dir;
  set_range(1, 5, 2, 2);
  const std::string plus = (dir / "a+.txt").string(), minus = (dir / "a-.txt").string();
  testing::internal::CaptureStdout();
  krange_initialize(plus, minus);
  testing::internal::GetCapturedStdout();
  krange_bitmapplus[0] |= 0x02;  // k = 3 eliminated on the plus side
  testing::internal::CaptureStdout();
  krange_writedat(plus, minus, 10);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Writing " + minus + "... Done.\nWriting " + plus + "... Done.\n");
  EXPECT_EQ(read_file(minus), "10:M:0:2:2\n1 2\n3 2\n5 2\n");
  EXPECT_EQ(read_file(plus), "10:P:0:2:1\n1 2\n5 2\n");

  // A file that cannot be written: " Done." all the same, bitmap unchanged.
  const std::string nowhere = (dir / "no-such-dir" / "x.txt").string();
  testing::internal::CaptureStdout();
  krange_initialize(nowhere, "0");
  testing::internal::GetCapturedStdout();
  krange_bitmapplus[0] |= 0x04;  // k = 5 eliminated
  const auto before = krange_bitmapplus;
  testing::internal::CaptureStdout();
  krange_writedat(nowhere, "0", 11);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Writing " + nowhere + "... Done.\n");
  EXPECT_FALSE(std::filesystem::exists(nowhere));
  EXPECT_EQ(krange_bitmapplus, before);
  EXPECT_EQ(krange_numbers_left(), 2u);
}

}  // namespace
}  // namespace quorvel
