// Whole k-range runs of the built program: existing k-range files with odd
// lines (even k, k outside the range, k listed twice, a header that is not
// read, garbage) are taken in, sieved (also past the first prime window)
// and written back complete. Console and files are compared exactly against
// the brute-force reference; only the rate figures are compared by pattern.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "driver_e2e_util.hpp"
#include "reference/krange_reference.hpp"
#include "reference/reference.hpp"

namespace quorvel {
namespace {

using test::read_file;
using test::run_quorvel;
using test::RunResult;
using test::ScratchDir;
using test::write_file;

const std::string no_more = "\nNo new range found in nextrange.txt. Exiting.\n";

using e2e::mask_rates;

/// Report lines of every prime in (pmin, pmax] and a progress line (rate
/// masked) at each save point, in prime order, from the reference.
std::string expected_sieve_lines(krange_ref::RefRun& ref, std::uint64_t pmin, std::uint64_t pmax,
                                 std::uint64_t interval, std::uint64_t& tested) {
  return e2e::prime_lines(
      ref, pmin, pmax, interval, "#", [&ref](std::uint64_t p) { return ref.report_of_prime(p); },
      &tested);
}

TEST(KrangeRun, TwinFileWithOddLines) {
  ScratchDir dir;
  krange_ref::RefRun ref(1, 199, 195, 195);
  ref.twin = true;
  // The file lists every odd k of 1..199 but 7 and 9; 13 twice (eliminated
  // again); an even k, k above the range and a header that looks like a pair.
  std::string file = "5 195\n";
  for (std::uint64_t k = 1; k <= 199; k += 2)
    if (k != 7 && k != 9) file += std::to_string(k) + " 195\n";
  file += "13 195\n50 195\n201 195\n4294967295 195\n";
  write_file(dir / "twin.txt", file);
  ref.alive_minus[3] = ref.alive_minus[4] = ref.alive_minus[6] = false;  // 7, 9, 13

  std::uint64_t tested = 0;
  const std::string lines = expected_sieve_lines(ref, 0, 100000, 25000, tested);
  ASSERT_NE(ref.report, "");
  ASSERT_GT(ref.left(), 0u);
  const auto r = run_quorvel(
      {"-krangetwin", "1", "199", "195", "195", "twin.txt", "-i", "25000", "0", "100000"},
      dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(mask_rates(e2e::mask_varying(r.output)),
            e2e::banner + e2e::mode_lines("k-range twin") + "Reading twin.txt... Done.\n" +
                "Sieving 0 <= p <= 100000, 1 <= k <= 199, 195 <= n <= 195\n" + lines + "Done\n" +
                "Writing twin.txt... Done.\n" + e2e::stats_block(0, 100000, tested, 0, false) +
                no_more);
  EXPECT_EQ(read_file(dir / "twin.txt"), ref.twin_file(100000));
}

TEST(KrangeRun, BothSidesPastTheFirstPrimeWindow) {
  // The first window of the prime stream ends near 2^20; later progress
  // lines carry a measured rate.
  ScratchDir dir;
  krange_ref::RefRun ref(1, 99, 200, 201);
  std::uint64_t tested = 0;
  const std::string lines = expected_sieve_lines(ref, 0, 1500000, 300000, tested);
  ASSERT_NE(ref.report, "");
  ASSERT_GT(ref.left(), 0u);
  const auto r = run_quorvel(
      {"-krange", "1", "99", "200", "201", "p.txt", "m.txt", "-i", "300000", "0", "1500000"},
      dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.errors, "");
  const std::string none = "No krange file found, starting from scratch.\n";
  EXPECT_EQ(mask_rates(e2e::mask_varying(r.output)),
            e2e::banner + e2e::mode_lines("k-range + -") + none + none +
                "Sieving 0 <= p <= 1500000, 1 <= k <= 99, 200 <= n <= 201\n" + lines +
                "Done\nWriting m.txt... Done.\nWriting p.txt... Done.\n" +
                e2e::stats_block(0, 1500000, tested, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "m.txt"), ref.minus_file(1500000));
  EXPECT_EQ(read_file(dir / "p.txt"), ref.plus_file(1500000));
}

TEST(KrangeRun, BothSidesLargeExponentsFromFilesWithJunk) {
  ScratchDir dir;
  krange_ref::RefRun ref(1001, 1401, 100, 110);
  // Minus file: every k (n column ignored, pairs across lines). Plus file:
  // every k above 1200, then garbage that ends reading before 1001 is listed.
  std::string minus = "header\n";
  for (std::uint64_t k = 1001; k <= 1401; k += 2) minus += std::to_string(k) + "\n7\n";
  std::string plus = "1:M:0:2:2\n";
  for (std::uint64_t k = 1201; k <= 1401; k += 2) plus += std::to_string(k) + " 100\n";
  plus += "oops\n1001 100\n";
  write_file(dir / "m.txt", minus);
  write_file(dir / "p.txt", plus);
  for (std::size_t i = 0; i < ref.count(); ++i) ref.alive_plus[i] = ref.k_of(i) > 1200;

  std::uint64_t tested = 0;
  const std::string lines = expected_sieve_lines(ref, 2000, 12000, 3000, tested);
  ASSERT_NE(ref.report, "");
  const auto r = run_quorvel(
      {"-i", "3000", "-krange", "1001", "1401", "100", "110", "p.txt", "m.txt", "2001", "12000"},
      dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(mask_rates(e2e::mask_varying(r.output)),
            e2e::banner + e2e::mode_lines("k-range + -") +
                "Reading m.txt... Done.\nReading p.txt... Done.\n" +
                "Sieving 2000 <= p <= 12000, 1001 <= k <= 1401, 100 <= n <= 110\n" + lines +
                "Done\nWriting m.txt... Done.\nWriting p.txt... Done.\n" +
                e2e::stats_block(2000, 12000, tested, 0, false) + no_more);
  EXPECT_EQ(read_file(dir / "m.txt"), ref.minus_file(12000));
  EXPECT_EQ(read_file(dir / "p.txt"), ref.plus_file(12000));
  EXPECT_EQ(e2e::listing(dir.path()), "m.txt p.txt stat.txt");
}

/// The first prime q >= from (and below 2 from) that divides k*2^n+-1 for
/// an odd k <= khigh and nlow <= n <= nhigh: the number itself or its
/// quotient by 3, 5 or 7. 0 when there is none.
std::uint64_t dividing_prime(std::uint64_t from, std::uint64_t khigh, std::uint32_t nlow,
                             std::uint32_t nhigh) {
  std::uint64_t best = 0;
  for (std::uint64_t k = 1; k <= khigh; k += 2) {
    for (std::uint32_t n = nlow; n <= nhigh && n < 64; ++n) {
      for (int side : {-1, +1}) {
        const ref::u128 v = (static_cast<ref::u128>(k) << n) + side;
        for (std::uint64_t d : {1, 3, 5, 7}) {
          if (v % d != 0 || v / d < from || v / d >= 2 * static_cast<ref::u128>(from)) continue;
          const std::uint64_t q = static_cast<std::uint64_t>(v / d);
          if ((best == 0 || q < best) && ref::is_prime(q)) best = q;
        }
      }
    }
  }
  return best;
}

TEST(KrangeRun, WindowsAboveTwoToTheFifty) {
  // A window of 40000 around a prime that divides numbers of the range, in
  // each kernel family above 2^50: both sides of k-range mode, and twin
  // mode; the stream and the driver as well as the elimination.
  struct Case {
    std::uint64_t from;
    bool twin;
  };
  for (const Case c : {Case{std::uint64_t{5} << 49, false}, Case{std::uint64_t{1} << 56, false},
                       Case{std::uint64_t{1} << 58, true}}) {
    ScratchDir dir;
    const std::uint32_t nlow = c.twin ? 50 : 40, nhigh = c.twin ? 50 : 60;
    const std::uint64_t q = dividing_prime(c.from, 4001, nlow, nhigh);
    ASSERT_NE(q, 0u) << c.from;
    const std::uint64_t pmin = q - 20001, pmax = q + 20000;  // pmin even, as the run makes it
    krange_ref::RefRun ref(1, 4001, nlow, nhigh);
    ref.twin = c.twin;
    std::uint64_t tested = 0;
    const std::string lines = expected_sieve_lines(ref, pmin, pmax, 10000, tested);
    ASSERT_NE(ref.report, "") << q;  // q strikes at least one k
    std::vector<std::string> args = {"-i", "10000"};
    if (c.twin) {
      args.insert(args.end(), {"-krangetwin", "1", "4001", "50", "50", "twin.txt"});
    } else {
      args.insert(args.end(), {"-krange", "1", "4001", "40", "60", "p.txt", "m.txt"});
    }
    args.push_back(std::to_string(pmin));
    args.push_back(std::to_string(pmax));
    const auto r = run_quorvel(args, dir.path());
    EXPECT_EQ(r.exit_status, 0);
    const std::string none = "No krange file found, starting from scratch.\n";
    const std::string range = "Sieving " + std::to_string(pmin) +
                              " <= p <= " + std::to_string(pmax) + ", 1 <= k <= 4001, " +
                              std::to_string(nlow) + " <= n <= " + std::to_string(nhigh) + "\n";
    const std::string writes = c.twin ? "Done\nWriting twin.txt... Done.\n"
                                      : "Done\nWriting m.txt... Done.\nWriting p.txt... Done.\n";
    EXPECT_EQ(mask_rates(e2e::mask_varying(r.output)),
              e2e::banner + e2e::mode_lines(c.twin ? "k-range twin" : "k-range + -") + none +
                  (c.twin ? "" : none) + range + lines + writes +
                  e2e::stats_block(pmin, pmax, tested, 0, false) + no_more)
        << "q=" << q;
    if (c.twin) {
      EXPECT_EQ(read_file(dir / "twin.txt"), ref.twin_file(pmax));
    } else {
      EXPECT_EQ(read_file(dir / "m.txt"), ref.minus_file(pmax));
      EXPECT_EQ(read_file(dir / "p.txt"), ref.plus_file(pmax));
    }
  }
}

TEST(KrangeRun, APrimeNumberIsNotStruckByItself) {
  // k*2^1+-1 for k = 1 .. 9 are 1, 3, 5, 7, 9, 11, 13, 15, 17, 19: every one
  // below 20 that is prime equals one of the trial primes 3 .. 19 and keeps
  // its k; 9 and 15 are struck by 3 (and 15 by 5). Written out by hand.
  ScratchDir dir;
  const RunResult r =
      run_quorvel({"-krange", "1", "9", "1", "1", "plus.txt", "minus.txt", "2", "20"}, dir.path());
  ASSERT_EQ(r.exit_status, 0) << r.output;
  EXPECT_EQ(r.output.find(" | "), std::string::npos) << r.output;  // no factor line
  EXPECT_EQ(read_file(dir / "minus.txt"), "20:M:0:2:2\n1 1\n3 1\n7 1\n9 1\n");
  EXPECT_EQ(read_file(dir / "plus.txt"), "20:P:0:2:1\n1 1\n3 1\n5 1\n9 1\n");

  ScratchDir twin;
  const RunResult t =
      run_quorvel({"-krangetwin", "1", "9", "1", "1", "twin.txt", "2", "20"}, twin.path());
  ASSERT_EQ(t.exit_status, 0) << t.output;
  EXPECT_EQ(read_file(twin / "twin.txt"), "20:T:0:2:3\n1 1\n3 1\n9 1\n");
}

}  // namespace
}  // namespace quorvel
