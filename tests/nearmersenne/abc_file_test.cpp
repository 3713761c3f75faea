// The near-Mersenne bitmap and its ABC file: sizes and the table size rule
// of the set-up, the documented example from scratch, round trips of
// random survivor sets against the reference writer, files of a narrower or
// wider a range, header-only and empty files, other start values in the
// header, and malformed, out-of-row and repeated pairs, which must never
// reach outside the bitmap. Expected file contents follow the documented
// format (header, then increases of a and b).
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "nm_test_util.hpp"
#include "quorvel/search_state.hpp"
#include "reference/nearmersenne_reference.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using nm_test::expect_matches;
using nm_test::setup;
using test::read_file;
using test::ScratchDir;
using test::write_file;

const std::string header = "ABCD 2^$a-2^$b+1 [0 0]\t//sievedepth: ";

/// nm_writedat with the console captured.
std::string write_dat(const std::string& file, std::uint64_t p) {
  testing::internal::CaptureStdout();
  nm_writedat(file, p);
  return testing::internal::GetCapturedStdout();
}

/// A reference run with random survivors (about `keep` of every 8 pairs).
nm_ref::RefRun random_survivors(std::uint32_t alow, std::uint32_t ahigh, std::uint32_t seed,
                                unsigned keep) {
  nm_ref::RefRun ref(alow, ahigh);
  std::mt19937 rng(seed);
  for (std::uint32_t a = alow; a <= ahigh; ++a)
    for (std::uint32_t b = 1; b < a; ++b)
      if (rng() % 8 >= keep) ref.kill(a, b);
  return ref;
}

TEST(NmFile, SizesAndHashBits) {
  ScratchDir dir;
  const std::string none = (dir / "none").string();
  struct Case {
    std::uint32_t alow, ahigh, size, bits;
    std::uint64_t candidates;
  };
  // Row width ceil((ahigh - 1) / 8) bytes; hash_bits = smallest h >= 1
  // with 2^h >= ahigh, plus 4; every pair 1 <= b < a counted.
  for (const Case c : {Case{3, 4, 2, 6, 5}, Case{1, 1, 0, 5, 0}, Case{1, 2, 2, 5, 1},
                       Case{1, 9, 9, 8, 36}, Case{1, 10, 20, 8, 45}, Case{2, 17, 32, 9, 136},
                       Case{500, 500, 63, 13, 499}, Case{4097, 5000, 904 * 625, 17, 4110940},
                       Case{65535, 65535, 8192, 20, 65534}}) {
    EXPECT_EQ(setup(c.alow, c.ahigh, none), "No ABC file found, starting from scratch.\n");
    const std::string ctx = std::to_string(c.alow) + ".." + std::to_string(c.ahigh);
    EXPECT_EQ(nm_bitmapsize, c.size) << ctx;
    EXPECT_EQ(nm_bitmap.size(), c.size) << ctx;
    EXPECT_EQ(hash_bits, c.bits) << ctx;
    EXPECT_EQ(nm_candidates, c.candidates) << ctx;
  }
}

TEST(NmFile, FromScratchThreeToFourGivesTheFiveLines) {
  ScratchDir dir;
  const std::string file = (dir / "abc.txt").string();
  EXPECT_EQ(setup(3, 4, file), "No ABC file found, starting from scratch.\n");
  EXPECT_EQ(nm_candidates, 5u);
  EXPECT_EQ(nm_bitmap, (std::vector<std::uint8_t>{0, 0}));
  EXPECT_EQ(write_dat(file, 1000000), "Writing " + file + "... Done.\n");
  EXPECT_EQ(read_file(file), header + "1000000\n3 1\n0 1\n1 -1\n0 1\n0 1\n");
  EXPECT_EQ(test::read_file(file), nm_ref::RefRun(3, 4).file(1000000));
  // Nothing but the file is left in the directory.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST(NmFile, AlowOneHasNoPairForRowOne) {
  ScratchDir dir;
  const std::string file = (dir / "abc.txt").string();
  setup(1, 3, file);
  EXPECT_EQ(nm_candidates, 3u);
  write_dat(file, 1125899906842624ULL);
  EXPECT_EQ(read_file(file), header + "1125899906842624\n2 1\n1 0\n0 1\n");
  write_dat(file, 4611686018427387904ULL);  // the largest depth, 2^62
  EXPECT_EQ(read_file(file), header + "4611686018427387904\n2 1\n1 0\n0 1\n");
}

TEST(NmFile, RoundTripsOfRandomSurvivors) {
  ScratchDir dir;
  const std::string file = (dir / "abc.txt").string();
  struct Case {
    std::uint32_t alow, ahigh;
    unsigned keep;
  };
  std::uint32_t seed = 1;
  for (const Case c : {Case{1, 70, 4}, Case{5, 13, 1}, Case{40, 41, 7}, Case{2, 200, 2},
                       Case{300, 310, 8}, Case{9, 9, 3}}) {
    const auto ref = random_survivors(c.alow, c.ahigh, seed++, c.keep);
    write_file(file, ref.file(77));
    EXPECT_EQ(setup(c.alow, c.ahigh, file), "Reading " + file + "... Done.\n");
    expect_matches(ref, "alow=" + std::to_string(c.alow) + " ahigh=" + std::to_string(c.ahigh));
    std::filesystem::remove(file);
    write_dat(file, 987654321);
    EXPECT_EQ(read_file(file), ref.file(987654321));
  }
}

TEST(NmFile, NarrowerAndWiderFiles) {
  ScratchDir dir;
  const std::string file = (dir / "abc.txt").string();
  // A file of rows 1..40 read for rows 10..25: the rows outside still move
  // the running a and b.
  const auto wide = random_survivors(1, 40, 99, 3);
  write_file(file, wide.file(5));
  setup(10, 25, file);
  nm_ref::RefRun inner(10, 25);
  for (std::uint32_t a = 10; a <= 25; ++a)
    for (std::uint32_t b = 1; b < a; ++b)
      if (!wide.is_alive(a, b)) inner.kill(a, b);
  expect_matches(inner, "narrower range");
  write_dat(file, 6);
  EXPECT_EQ(read_file(file), inner.file(6));

  // A file of rows 12..20 read for rows 5..30: rows outside the file are
  // eliminated, rows inside keep the file's survivors.
  const auto narrow = random_survivors(12, 20, 5, 5);
  write_file(file, narrow.file(5));
  setup(5, 30, file);
  nm_ref::RefRun outer(5, 30);
  for (std::uint32_t a = 5; a <= 30; ++a)
    for (std::uint32_t b = 1; b < a; ++b)
      if (a < 12 || a > 20 || !narrow.is_alive(a, b)) outer.kill(a, b);
  expect_matches(outer, "wider range");
}

TEST(NmFile, HeaderOnlyAndEmptyFilesLeaveNothing) {
  ScratchDir dir;
  const std::string file = (dir / "abc.txt").string();
  nm_ref::RefRun none(3, 30);
  none.kill_all();
  const std::vector<std::string> contents = {header + "1000\n", std::string(), header + "1000"};
  for (const std::string& content : contents) {
    write_file(file, content);
    EXPECT_EQ(setup(3, 30, file), "Reading " + file + "... Done.\n");
    EXPECT_EQ(nm_candidates, 0u);
    expect_matches(none, "content [" + content + "]");
    write_dat(file, 42);
    EXPECT_EQ(read_file(file), header + "42\n");
  }
}

TEST(NmFile, HeaderStartValuesAreNotRead) {
  ScratchDir dir;
  const std::string file = (dir / "abc.txt").string();
  write_file(file, "ABCD 2^$a-2^$b+1 [7 5]\t//sievedepth: 3\n4 2\n0 1\r\n1 -2\n");
  setup(1, 6, file);
  nm_ref::RefRun ref(1, 6);
  ref.kill_all();
  for (auto [a, b] : {std::pair{4u, 2u}, {4u, 3u}, {5u, 1u}}) ref.alive[a - 1][b - 1] = true;
  expect_matches(ref, "header [7 5]");
}

TEST(NmFile, OddPairsAreSkippedAndRepeatsCountOnce) {
  ScratchDir dir;
  const std::string file = (dir / "abc.txt").string();
  // Running pairs: (5,0) b < 1; (5,5) b = a; (5,7) b > a; (5,2) ok;
  // (5,2) again; (-3,2) a negative; (6,3) ok across a line break with
  // signs; (6,-1); (6,5) ok; (70000,5) far above; (7,6) ok; then garbage
  // ends reading, so (8,1) is never seen.
  write_file(file, header + "9\n5 0\n0 5\n0 2\n0 -5\n0 0\n-8 0\n+9\n+1\n0 -4\n0 6\n69994 0\n"
                            "-69993 1\n1 x\n1 -5\n");
  // Row width 1 byte for ahigh = 8; canary bytes after the bitmap's span.
  nm_alow = 5;
  nm_ahigh = 8;
  std::vector<std::uint8_t> memory(4 + 8, 0xA5);
  testing::internal::CaptureStdout();
  nm_readdat(file, std::span<std::uint8_t>(memory.data(), 4));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "Reading " + file + "... Done.\n");
  EXPECT_EQ(nm_candidates, 4u);
  // Row 5: b = 2 (bit 1); row 6: b = 3, 5; row 7: b = 6; row 8: nothing.
  EXPECT_EQ(memory[0], static_cast<std::uint8_t>(~0x02));
  EXPECT_EQ(memory[1], static_cast<std::uint8_t>(~(0x04 | 0x10)));
  EXPECT_EQ(memory[2], static_cast<std::uint8_t>(~0x20));
  EXPECT_EQ(memory[3], 0xFF);
  for (std::size_t i = 4; i < memory.size(); ++i) EXPECT_EQ(memory[i], 0xA5) << i;
}

TEST(NmFile, NumbersTooLargeEndReading) {
  ScratchDir dir;
  const std::string file = (dir / "abc.txt").string();
  // A value beyond 64 signed bits (also 2^63 itself), and a running sum
  // that would overflow, end reading like any other unreadable pair.
  const std::vector<std::string> tails = {
      "3 1\n99999999999999999999 0\n0 1\n",
      "3 1\n9223372036854775807 0\n9223372036854775807 0\n0 1\n",
      "3 1\n-9223372036854775808 0\n-9223372036854775808 0\n0 1\n",
      "3 1\n9223372036854775808 0\n9223372036854775807 0\n2 1\n"};
  for (const std::string& tail : tails) {
    write_file(file, header + "1\n" + tail);
    setup(3, 4, file);
    nm_ref::RefRun ref(3, 4);
    ref.kill_all();
    ref.alive[0][0] = true;  // (3, 1)
    expect_matches(ref, tail);
  }
  // The largest values that fit are read.
  write_file(file, header + "1\n9223372036854775807 0\n-9223372036854775803 2\n");
  setup(3, 4, file);
  EXPECT_EQ(nm_candidates, 1u);
  EXPECT_FALSE(nm_test::bit_set(4, 2));
}

TEST(NmFile, AFailedWriteIsSilent) {
  ScratchDir dir;
  const std::string file = (dir / "no-such-dir" / "abc.txt").string();
  setup(3, 4, file);
  EXPECT_EQ(write_dat(file, 5), "Writing " + file + "... Done.\n");
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(nm_writefile(file, 5, nm_bitmap));
  // An existing file is replaced whole.
  const std::string good = (dir / "abc.txt").string();
  write_file(good, "old content that is longer than the new one\n\n\n\n\n\n\n\n\n\n\n\n\n");
  EXPECT_TRUE(nm_writefile(good, 5, nm_bitmap));
  EXPECT_EQ(read_file(good), header + "5\n3 1\n0 1\n1 -1\n0 1\n0 1\n");
}

}  // namespace
}  // namespace quorvel
