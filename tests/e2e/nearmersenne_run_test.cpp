// Whole near-Mersenne runs of the built program: from scratch with p from 0
// (past the first prime window), from an existing ABC file with odd lines,
// and over two ranges of the range queue (the "trying p: " count carries
// on). Console and files are compared exactly against the brute-force
// reference, which tests every pair with every prime of a plain sieve; only
// the rate figures are compared by pattern.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver_e2e_util.hpp"
#include "reference/nearmersenne_reference.hpp"
#include "reference/reference.hpp"

namespace quorvel {
namespace {

using test::read_file;
using test::run_quorvel;
using test::ScratchDir;
using test::write_file;

const std::string no_file = "No ABC file found, starting from scratch.\n";
const std::string no_more = "\nNo new range found in nextrange.txt. Exiting.\n";

using e2e::mask_rates;

/// The console lines of the primes pmin < p <= pmax: a "trying p: " line
/// before every tenth prime of the process (`calls` counts them), and a
/// progress line (rate masked) at each save point, from the reference.
std::string expected_lines(nm_ref::RefRun& ref, std::uint64_t pmin, std::uint64_t pmax,
                           std::uint64_t interval, std::uint64_t& calls, std::uint64_t& tested) {
  return e2e::prime_lines(
      ref, pmin, pmax, interval, "#",
      [&ref, &calls](std::uint64_t p) {
        std::string trying;
        if (++calls % 10 == 0)
          trying = "trying p: " + std::to_string(p) + " (" + std::to_string(ref.left()) +
                   " numbers left)\n";
        ref.apply_prime(p);
        return trying;
      },
      &tested);
}

TEST(NearMersenneRun, FromScratchPastTheFirstPrimeWindow) {
  ScratchDir dir;
  nm_ref::RefRun ref(3, 14);
  std::uint64_t calls = 0, tested = 0;
  const std::string lines = expected_lines(ref, 0, 1200000, 250000, calls, tested);
  ASSERT_GT(ref.left(), 0u);
  ASSERT_LT(ref.left(), 91u);
  const auto r = run_quorvel(
      {"-nearmersenne", "3", "14", "abc.txt", "-i", "250000", "0", "1200000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(mask_rates(e2e::mask_varying(r.output)),
            e2e::banner + e2e::mode_lines("NearMersenne") + no_file + lines +
                "Done\nWriting abc.txt... Done.\n" +
                e2e::stats_block(0, 1200000, tested, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "abc.txt"), ref.file(1200000));
  EXPECT_EQ(e2e::listing(dir.path()), "abc.txt stat.txt");
}

TEST(NearMersenneRun, ExistingFileWithOddLinesAndLongRows) {
  ScratchDir dir;
  // The file holds rows 60..140 with every third pair, then a pair with
  // b >= a, a repeat of the last pair and garbage; the run reads rows
  // 70..130 of it.
  nm_ref::RefRun in_file(60, 140);
  for (std::uint32_t a = 60; a <= 140; ++a)
    for (std::uint32_t b = 1; b < a; ++b)
      if ((a + b) % 3 != 0) in_file.kill(a, b);
  write_file(dir / "abc.txt", in_file.file(999) + "0 200\n0 -200\n0 0\nend\n0 1\n");
  nm_ref::RefRun ref(70, 130);
  for (std::uint32_t a = 70; a <= 130; ++a)
    for (std::uint32_t b = 1; b < a; ++b)
      if (!in_file.is_alive(a, b)) ref.kill(a, b);
  const std::uint64_t before = ref.left();

  std::uint64_t calls = 0, tested = 0;
  const std::string lines = expected_lines(ref, 5000, 40000, 9000, calls, tested);
  ASSERT_LT(ref.left(), before);
  const auto r = run_quorvel(
      {"-i", "9000", "-nearmersenne", "70", "130", "abc.txt", "5001", "40000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(mask_rates(e2e::mask_varying(r.output)),
            e2e::banner + e2e::mode_lines("NearMersenne") + "Reading abc.txt... Done.\n" + lines +
                "Done\nWriting abc.txt... Done.\n" +
                e2e::stats_block(5000, 40000, tested, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "abc.txt"), ref.file(40000));
}

TEST(NearMersenneRun, TwoRangesOfTheQueueShareTheCountAndTheBitmap) {
  ScratchDir dir;
  write_file(dir / "nextrange.txt", "pmin=3000\npmax=7777\n");
  nm_ref::RefRun ref(20, 45);
  std::uint64_t calls = 0, tested1 = 0, tested2 = 0;
  const std::string lines1 = expected_lines(ref, 0, 3000, 1000, calls, tested1);
  const std::string file1 = ref.file(3000);
  const std::string lines2 = expected_lines(ref, 3000, 7777, 1000, calls, tested2);
  ASSERT_NE(tested1 % 10, 0u);  // the count runs across the range boundary
  const auto r =
      run_quorvel({"-nearmersenne", "20", "45", "abc.txt", "-i", "1000", "0", "3000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(mask_rates(e2e::mask_varying(r.output)),
            e2e::banner + e2e::mode_lines("NearMersenne") + no_file + lines1 +
                "Done\nWriting abc.txt... Done.\n" + e2e::stats_block(0, 3000, tested1, 0, false) +
                "\nFound a new range in nextrange.txt. Starting work on that one.\n" + lines2 +
                "Done\nWriting abc.txt... Done.\n" +
                e2e::stats_block(3000, 7777, tested2, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "abc.txt"), ref.file(7777));
  EXPECT_NE(read_file(dir / "abc.txt"), file1);
}

TEST(NearMersenneRun, WindowsAboveTwoToTheFifty) {
  // A window of 20000 around a prime N/d (d = 3 to 15) of a number N of
  // rows 51 to 66, in two kernel families above 2^50, rows 40 to 120.
  for (const std::uint64_t from : {std::uint64_t{5} << 49, std::uint64_t{1} << 60}) {
    std::uint64_t q = 0;
    for (std::uint32_t a = 51; a <= 66 && q == 0; ++a) {
      for (std::uint32_t b = 1; b < a && q == 0; ++b) {
        const ref::u128 n = nm_ref::number(a, b);
        for (std::uint64_t d : {3, 5, 7, 9, 11, 13, 15}) {
          if (n % d != 0 || n / d < from || n / d >= 4 * static_cast<ref::u128>(from) ||
              n / d >= (ref::u128{1} << 62))
            continue;
          if (ref::is_prime(static_cast<std::uint64_t>(n / d)))
            q = static_cast<std::uint64_t>(n / d);
        }
      }
    }
    ASSERT_NE(q, 0u) << from;
    ScratchDir dir;
    nm_ref::RefRun ref(40, 120);
    std::uint64_t calls = 0, tested = 0;
    const std::uint64_t pmin = q - 10001, pmax = q + 10000;  // pmin even, as the run makes it
    const std::string lines = expected_lines(ref, pmin, pmax, 5000, calls, tested);
    ASSERT_LT(ref.left(), nm_ref::RefRun(40, 120).left()) << q;  // q strikes pairs
    const auto r = run_quorvel({"-nearmersenne", "40", "120", "abc.txt", "-i", "5000",
                                std::to_string(pmin), std::to_string(pmax)},
                               dir.path());
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(mask_rates(e2e::mask_varying(r.output)),
              e2e::banner + e2e::mode_lines("NearMersenne") + no_file + lines +
                  "Done\nWriting abc.txt... Done.\n" +
                  e2e::stats_block(pmin, pmax, tested, 0, false) + no_more)
        << "q=" << q;
    EXPECT_EQ(read_file(dir / "abc.txt"), ref.file(pmax));
  }
}

}  // namespace
}  // namespace quorvel
