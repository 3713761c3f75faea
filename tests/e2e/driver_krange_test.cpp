// The run control in the k-range modes end to end: the range line, progress
// lines with the numbers left, the end-of-range writes, the statistics, the
// range queue over two ranges, range checks and the 2^62 limit, and -u
// being ignored. Expected survivors, report lines and files come from the
// brute-force k-range reference; the k-range modes keep no status file.
#include <gtest/gtest.h>

#include "driver_e2e_util.hpp"
#include "reference/krange_reference.hpp"
#include "reference/reference.hpp"

namespace quorvel {
namespace {

using test::read_file;
using test::run_quorvel;
using test::ScratchDir;
using test::write_file;

/// Console lines of one range: the report lines of every prime in
/// (pmin, pmax] and a progress line at every save point, in prime order.
std::string sieve_lines(krange_ref::RefRun& ref, std::uint64_t pmin, std::uint64_t pmax,
                        std::uint64_t interval, std::uint64_t* tested = nullptr) {
  return e2e::prime_lines(
      ref, pmin, pmax, interval, "???", [&ref](std::uint64_t p) { return ref.report_of_prime(p); },
      tested);
}

const std::string no_file = "No krange file found, starting from scratch.\n";
const std::string no_more = "\nNo new range found in nextrange.txt. Exiting.\n";

TEST(DriverKrange, BothSidesFromScratchMatchReference) {
  ScratchDir dir;
  krange_ref::RefRun ref(1, 999, 30, 31);
  std::uint64_t tested = 0;
  const std::string lines = sieve_lines(ref, 0, 20000, 4000, &tested);
  ASSERT_GT(ref.left(), 0u);     // the range leaves survivors
  ASSERT_LT(ref.left(), 1000u);  // and removes some
  ASSERT_NE(ref.report, "");     // primes above khigh report
  const auto r = run_quorvel(
      {"-krange", "1", "999", "30", "31", "plus.txt", "minus.txt", "0", "20000", "-i", "4000"},
      dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner + e2e::mode_lines("k-range + -") + no_file + no_file +
                "Sieving 0 <= p <= 20000, 1 <= k <= 999, 30 <= n <= 31\n" + lines + "Done\n" +
                "Writing minus.txt... Done.\nWriting plus.txt... Done.\n" +
                e2e::stats_block(0, 20000, tested, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "minus.txt"), ref.minus_file(20000));
  EXPECT_EQ(read_file(dir / "plus.txt"), ref.plus_file(20000));
  EXPECT_EQ(e2e::mask_varying(read_file(dir / "stat.txt")),
            e2e::stats_block(0, 20000, tested, 0, true));
  EXPECT_EQ(e2e::listing(dir.path()), "minus.txt plus.txt stat.txt");
}

TEST(DriverKrange, MinusSideOnlyWithUniqueId) {
  ScratchDir dir;
  krange_ref::RefRun ref(101, 2001, 11, 12);
  ref.plus = false;
  std::uint64_t tested = 0;
  const std::string lines = sieve_lines(ref, 5000, 30000, 10000, &tested);
  const auto r = run_quorvel({"-n", "7", "-krange", "101", "2001", "11", "12", "0", "minus.txt",
                              "-i", "10000", "5001", "30000"},
                             dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner + e2e::mode_lines("k-range -") + no_file +
                "Sieving 5000 <= p <= 30000, 101 <= k <= 2001, 11 <= n <= 12\n" + lines +
                "Done\nWriting minus.txt... Done.\n" +
                e2e::stats_block(5000, 30000, tested, 0, false) +
                "\nNo new range found in nextrange7.txt. Exiting.\n");
  EXPECT_EQ(read_file(dir / "minus.txt"), ref.minus_file(30000));
  EXPECT_EQ(e2e::listing(dir.path()), "minus.txt stat7.txt");
}

TEST(DriverKrange, TwinModeEveryPrimeSavedWithIntervalZero) {
  ScratchDir dir;
  krange_ref::RefRun ref(1, 99, 5, 5);
  ref.twin = true;
  std::uint64_t tested = 0;
  const std::string lines = sieve_lines(ref, 0, 400, 0, &tested);
  // Every prime of the range has its progress line.
  EXPECT_EQ(static_cast<std::uint64_t>(std::count(lines.begin(), lines.end(), '@')), tested);
  const auto r = run_quorvel(
      {"-krangetwin", "1", "99", "5", "5", "twin.txt", "0", "400", "-i", "0"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(e2e::mask_varying(r.output), e2e::banner + e2e::mode_lines("k-range twin") + no_file +
                                             "Sieving 0 <= p <= 400, 1 <= k <= 99, 5 <= n <= 5\n" +
                                             lines + "Done\nWriting twin.txt... Done.\n" +
                                             e2e::stats_block(0, 400, tested, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "twin.txt"), ref.twin_file(400));
}

TEST(DriverKrange, QueueOfTwoRangesContinuesTheSameBitmaps) {
  ScratchDir dir;
  write_file(dir / "nextrange.txt", "junk\npmax=24000\npmin=11000\nleft over\n");
  krange_ref::RefRun ref(1, 3001, 40, 40);
  ref.twin = true;
  std::uint64_t tested1 = 0, tested2 = 0;
  const std::string lines1 = sieve_lines(ref, 0, 11000, 3000, &tested1);
  const std::string file1 = ref.twin_file(11000);
  const std::string lines2 = sieve_lines(ref, 11000, 24000, 3000, &tested2);
  const auto r = run_quorvel(
      {"-krangetwin", "1", "3001", "40", "40", "tw.txt", "-i", "3000", "0", "11000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner + e2e::mode_lines("k-range twin") + no_file +
                "Sieving 0 <= p <= 11000, 1 <= k <= 3001, 40 <= n <= 40\n" + lines1 +
                "Done\nWriting tw.txt... Done.\n" + e2e::stats_block(0, 11000, tested1, 0, false) +
                "\nFound a new range in nextrange.txt. Starting work on that one.\n" +
                "Sieving 11000 <= p <= 24000, 1 <= k <= 3001, 40 <= n <= 40\n" + lines2 +
                "Done\nWriting tw.txt... Done.\n" +
                e2e::stats_block(11000, 24000, tested2, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "tw.txt"), ref.twin_file(24000));
  EXPECT_NE(file1, read_file(dir / "tw.txt"));  // the second range removed more
  EXPECT_EQ(read_file(dir / "nextrange.txt"), "left over\n");
  EXPECT_EQ(e2e::mask_varying(read_file(dir / "stat.txt")),
            e2e::stats_block(0, 11000, tested1, 0, true) +
                e2e::stats_block(11000, 24000, tested2, 0, true));
}

TEST(DriverKrange, WaitForRangePollsTheQueue) {
  // With -w an empty queue is a wait, not an end: the run is still waiting
  // when the test's time limit stops it. Normal priority (-p 2), so that a
  // busy machine does not starve the run before it gets to the wait.
  ScratchDir dir;
  const auto r =
      run_quorvel({"-w", "-p", "2", "-krangetwin", "1", "99", "5", "5", "twin.txt", "0", "100"},
                  dir.path(), "", 5);
  EXPECT_EQ(r.exit_status, 128 + 9);
  const std::string wait = "\nNo new range found in nextrange.txt. Waiting 5 mins...";
  ASSERT_GE(r.output.size(), wait.size());
  EXPECT_EQ(r.output.substr(r.output.size() - wait.size()), wait) << r.output;
  EXPECT_EQ(r.output.find("Exiting"), std::string::npos);
}

TEST(DriverKrange, RangeChecks) {
  struct Case {
    std::vector<std::string> range;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"7", "5"}, "pmax=5 <= pmin=7\n"},
      {{"7"}, "pmax=0 <= pmin=7\n"},
      {{"8", "8"}, "pmax=8 <= pmin=8\n"},
      {{"4611686018427387905", "4611686018427387906"},
       "This program only supports p up to 4611686018427387904\n"
       "pmax=4611686018427387904 <= pmin=4611686018427387905\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    std::vector<std::string> args = {"-krangetwin", "1", "99", "5", "5", "twin.txt"};
    args.insert(args.end(), c.range.begin(), c.range.end());
    const auto r = run_quorvel(args, dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.message;
    EXPECT_EQ(r.output, e2e::banner + e2e::mode_lines("k-range twin") + no_file + c.message);
    EXPECT_EQ(e2e::listing(dir.path()), "") << c.message;
  }
}

TEST(DriverKrange, RangeUpToTheLimit) {
  const std::uint64_t limit = 4611686018427387904ull;  // 2^62
  const std::uint64_t pmin = limit - 3000;
  const std::uint64_t tested = ref::primes_between(pmin, limit).size();
  for (const std::uint64_t pmax : {limit, limit + 1000000}) {
    ScratchDir dir;
    const auto r = run_quorvel({"-krangetwin", "1", "99", "5", "5", "twin.txt",
                                std::to_string(pmin), std::to_string(pmax)},
                               dir.path());
    EXPECT_EQ(r.exit_status, 0);
    const std::string clamp =
        pmax > limit ? "This program only supports p up to 4611686018427387904\n" : "";
    EXPECT_EQ(e2e::mask_varying(r.output),
              e2e::banner + e2e::mode_lines("k-range twin") + no_file + clamp + "Sieving " +
                  std::to_string(pmin) +
                  " <= p <= 4611686018427387904, 1 <= k <= 99, 5 <= n <= 5\n" +
                  "Done\nWriting twin.txt... Done.\n" +
                  e2e::stats_block(pmin, limit, tested, 0, false) + no_more)
        << pmax;
    // Nothing of 1..99 * 2^5 +- 1 has a prime factor this large.
    krange_ref::RefRun all(1, 99, 5, 5);
    all.twin = true;
    EXPECT_EQ(read_file(dir / "twin.txt"), all.twin_file(limit));
  }
}

TEST(DriverKrange, UpdateSwitchIsIgnoredOutsideProthAndRiesel) {
  ScratchDir dir;
  const std::string candidates = "1\n100\n200\nk=3\n101\n+2\n";
  write_file(dir / "my.dat", candidates);
  const auto r = run_quorvel(
      {"-s", "my.dat", "-u", "-full", "-krangetwin", "1", "99", "5", "5", "twin.txt", "0", "1000"},
      dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output.find("Saving"), std::string::npos) << r.output;
  EXPECT_EQ(read_file(dir / "my.dat"), candidates);
  EXPECT_EQ(e2e::listing(dir.path()), "my.dat stat.txt twin.txt");
}

TEST(DriverKrange, ExistingFileIsReadAndRewritten) {
  ScratchDir dir;
  // A first run to 3000, then a second from 3000 to 9000 on its file: the
  // same as one run to 9000.
  krange_ref::RefRun ref(1, 501, 7, 9);
  sieve_lines(ref, 0, 3000, 1000000);
  const std::string minus_after_first = ref.minus_file(3000);
  const std::string plus_after_first = ref.plus_file(3000);
  std::uint64_t tested = 0;
  const std::string lines = sieve_lines(ref, 3000, 9000, 2000, &tested);
  write_file(dir / "m.txt", minus_after_first);
  write_file(dir / "p.txt", plus_after_first);
  const auto r =
      run_quorvel({"-krange", "1", "501", "7", "9", "p.txt", "m.txt", "3000", "9000", "-i", "2000"},
                  dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner + e2e::mode_lines("k-range + -") +
                "Reading m.txt... Done.\nReading p.txt... Done.\n"
                "Sieving 3000 <= p <= 9000, 1 <= k <= 501, 7 <= n <= 9\n" +
                lines + "Done\nWriting m.txt... Done.\nWriting p.txt... Done.\n" +
                e2e::stats_block(3000, 9000, tested, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "m.txt"), ref.minus_file(9000));
  EXPECT_EQ(read_file(dir / "p.txt"), ref.plus_file(9000));
}

}  // namespace
}  // namespace quorvel
