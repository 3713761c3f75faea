// The run control in Proth and Riesel mode end to end: candidate-file
// detection and file naming, the range checks, progress lines and the
// status file, resuming an interrupted range, the completed-work question,
// the range prompts, the range queue, and the end-of-range writes. The
// candidate files are made by the test: each k is chosen so that a chosen
// prime of the range divides one of its numbers, and the expected factor
// lines come from the brute-force factor search of the test references.
// Duplicates and factors outside the n range depend on the residue classes
// the search walks, so the runs use -d and only new factors are expected.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "driver_e2e_util.hpp"
#include "reference/reference.hpp"

namespace quorvel {
namespace {

using test::read_file;
using test::run_quorvel;
using test::ScratchDir;
using test::write_file;

constexpr std::uint64_t pmin0 = 1000000000;  // 10^9, the smallest Proth pmin
constexpr std::uint64_t pmax0 = 1001000000;
constexpr std::uint64_t interval0 = 100000;
constexpr std::uint32_t nlow0 = 1000, nhigh0 = 1100;

/// A candidate table: the k values and their n lists.
struct Table {
  int sign = +1;
  std::uint32_t nlow = nlow0, nhigh = nhigh0;
  std::vector<std::int64_t> ks;
  std::vector<std::vector<std::uint32_t>> ns;

  /// The candidate file: header, then per k its first n absolute and the
  /// others as increases.
  std::string dat() const {
    std::string s = std::to_string(ks.size()) + "\n" + std::to_string(nlow) + "\n" +
                    std::to_string(nhigh) + "\n";
    for (std::size_t j = 0; j < ks.size(); ++j) {
      s += "k=" + std::to_string(ks[j]) + "\n";
      for (std::size_t i = 0; i < ns[j].size(); ++i) {
        if (i > 0) s += '+';
        s += std::to_string(i == 0 ? ns[j][i] : ns[j][i] - ns[j][i - 1]);
        s += '\n';
      }
    }
    return s;
  }
};

/// For every prime of `targets` one k below 2^31 such that the prime divides
/// k*2^n+sign for an n of the range; each k gets the n of the range (about
/// two of three, the target n always) for which 3 does not divide its number.
Table make_table(int sign, const std::vector<std::uint64_t>& targets, std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  Table t;
  t.sign = sign;
  for (std::uint64_t p : targets) {
    for (;;) {
      const std::uint32_t n = t.nlow + static_cast<std::uint32_t>(rng() % (t.nhigh - t.nlow + 1));
      const std::uint64_t inv = ref::powmod(ref::powmod(2, n, p), p - 2, p);  // 2^-n mod p
      std::uint64_t k = sign > 0 ? p - inv : inv;
      if (k % 2 == 0) k += p;
      const auto three_divides = [&](std::uint32_t m) {
        return (k % 3 * ref::powmod(2, m, 3) + 3 + sign) % 3 == 0;
      };
      if (k >= (1ull << 31) || three_divides(n)) continue;
      if (ref::candidate_mod(static_cast<std::int64_t>(k), n, sign, p) != 0) continue;
      std::vector<std::uint32_t> list;
      for (std::uint32_t m = t.nlow; m <= t.nhigh; ++m)
        if (!three_divides(m) && (m == n || rng() % 3 != 0)) list.push_back(m);
      t.ks.push_back(static_cast<std::int64_t>(k));
      t.ns.push_back(list);
      break;
    }
  }
  return t;
}

/// The primes p with pmin_even < p <= pmax (remembered: several checks of a
/// test need the same list).
const std::vector<std::uint64_t>& primes_of(std::uint64_t pmin_even, std::uint64_t pmax) {
  static std::map<std::pair<std::uint64_t, std::uint64_t>, std::vector<std::uint64_t>> seen;
  auto it = seen.find({pmin_even, pmax});
  if (it == seen.end())
    it = seen.emplace(std::make_pair(pmin_even, pmax), ref::primes_between(pmin_even + 1, pmax))
             .first;
  return it->second;
}

/// The console lines of one range: every factor line of a prime, then its
/// progress line when it is a save point (estimated end masked). The part
/// done counts from `start` (where the range began; pmin_even when not given).
std::string sieve_lines(const Table& t, const std::vector<ref::Factor>& factors,
                        std::uint64_t pmin_even, std::uint64_t pmax, std::uint64_t interval,
                        std::uint64_t start = 0) {
  if (start == 0) start = pmin_even;
  const std::vector<std::uint64_t>& primes = primes_of(pmin_even, pmax);
  const std::vector<std::uint64_t> saves = e2e::save_points(primes, pmin_even, interval);
  std::string out;
  std::size_t f = 0, s = 0;
  for (std::uint64_t p : primes) {
    for (; f < factors.size() && factors[f].p <= p; ++f)
      if (factors[f].p == p)
        out += ref::factor_line(p, t.ks[factors[f].kindex], factors[f].n, t.sign) + "\n";
    if (s < saves.size() && saves[s] == p) {
      out += "p = " + std::to_string(p) + " @ ???kp/s" + e2e::done_part(p, start, pmax) + "\n";
      ++s;
    }
  }
  return out;
}

/// The status-file lines of the progress saves of one range.
std::string status_lines(std::uint64_t pmin_even, std::uint64_t pmax, std::uint64_t interval) {
  std::string out;
  for (std::uint64_t p : e2e::save_points(primes_of(pmin_even, pmax), pmin_even, interval))
    out += "pmin=" + std::to_string(p) + " @ 0 kp/s\n";
  return out;
}

std::string fact_file(const Table& t, const std::vector<ref::Factor>& factors) {
  std::string out;
  for (const ref::Factor& f : factors)
    out += ref::factor_line(f.p, t.ks[f.kindex], f.n, t.sign) + "\n";
  return out;
}

/// The npg file of a table: `header`, then every k and n sorted by n (equal
/// n in k order).
std::string npg_file(const Table& t, const std::string& header) {
  std::string npg = header;
  for (std::uint32_t n = t.nlow; n <= t.nhigh; ++n)
    for (std::size_t j = 0; j < t.ks.size(); ++j)
      if (std::count(t.ns[j].begin(), t.ns[j].end(), n))
        npg += std::to_string(t.ks[j]) + " " + std::to_string(n) + "\n";
  return npg;
}

std::vector<ref::Factor> reference_factors(const Table& t, std::uint64_t lo, std::uint64_t hi) {
  return ref::factors(t.ks, t.ns, t.sign, lo, hi);
}

/// The save points of the standard range; the third is also a factor
/// prime, so a run resumed from it must find that factor again.
const std::vector<std::uint64_t>& standard_saves() {
  static const std::vector<std::uint64_t> saves =
      e2e::save_points(primes_of(pmin0, pmax0), pmin0, interval0);
  return saves;
}

/// The Proth table of the standard range, with its factors.
struct Fixture {
  Table table;
  std::vector<ref::Factor> factors;
};

const Fixture& proth_fixture() {
  static const Fixture fx = [] {
    const std::vector<std::uint64_t>& all = primes_of(pmin0, pmax0);
    Fixture f;
    f.table = make_table(+1, {all[1234], standard_saves()[2], all[all.size() - 777]}, 20240601);
    f.factors = reference_factors(f.table, pmin0, pmax0);
    return f;
  }();
  return fx;
}

/// Checks that the factors of a test are at distinct primes (their order
/// within one prime is the search's own).
void expect_distinct_primes(const std::vector<ref::Factor>& f) {
  for (std::size_t i = 1; i < f.size(); ++i) ASSERT_NE(f[i].p, f[i - 1].p);
}

const std::string no_more = "\nNo new range found in nextrange.txt. Exiting.\n";
const std::string init = "Initializing... Done.\n";

std::string range_line(std::uint64_t pmin, std::uint64_t pmax, std::uint32_t nlow = nlow0,
                       std::uint32_t nhigh = nhigh0) {
  return "Sieving " + std::to_string(pmin) + " <= p <= " + std::to_string(pmax) + ", " +
         std::to_string(nlow) + " <= n <= " + std::to_string(nhigh) + "\n";
}

TEST(DriverProth, RangeFromCommandLineMatchesReference) {
  const Fixture& fx = proth_fixture();
  ASSERT_GE(fx.factors.size(), 3u);
  expect_distinct_primes(fx.factors);
  ScratchDir dir;
  write_file(dir / "Zel.dat", fx.table.dat());
  // An odd pmin is used and shown as the even number below it.
  const auto r = run_quorvel({"-d", "-i", "100000", "1000000001", "1001000000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.errors, "");
  const std::uint64_t tested = primes_of(pmin0, pmax0).size();
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner + e2e::mode_lines("Proth") + init + range_line(pmin0, pmax0) +
                sieve_lines(fx.table, fx.factors, pmin0, pmax0, interval0) + "Done\n" +
                e2e::stats_block(pmin0, pmax0, tested, 3, false) + no_more);
  EXPECT_EQ(read_file(dir / "fact.txt"), fact_file(fx.table, fx.factors));
  EXPECT_EQ(read_file(dir / "ZelStatus.dat"), "pmax=1001000000\npmin=1000000001\n" +
                                                  status_lines(pmin0, pmax0, interval0) + "Done\n");
  EXPECT_EQ(e2e::mask_varying(read_file(dir / "stat.txt"), true),
            e2e::stats_block(pmin0, pmax0, tested, 3, true, "#", "#"));
  EXPECT_EQ(read_file(dir / "Zel.dat"), fx.table.dat());  // no -u: unchanged
  EXPECT_EQ(e2e::listing(dir.path()), "Zel.dat ZelStatus.dat fact.txt stat.txt");
}

TEST(DriverProth, InterruptedRangeResumesAtLastSavedPrime) {
  // The status file as a run killed after its third progress save leaves
  // it; the resumed run handles that prime once more, so its factor is
  // found again, and nothing after it is lost.
  const Fixture& fx = proth_fixture();
  const std::uint64_t saved = standard_saves()[2];
  ScratchDir dir;
  write_file(dir / "Zel.dat", fx.table.dat());
  std::string status = "pmax=1001000000\npmin=1000000000\n";
  for (int i = 0; i < 3; ++i)
    status += "pmin=" + std::to_string(standard_saves()[i]) + " @ 0 kp/s\n";
  write_file(dir / "ZelStatus.dat", status);

  const std::vector<ref::Factor> rest = reference_factors(fx.table, saved, pmax0);
  ASSERT_FALSE(rest.empty());
  ASSERT_EQ(rest.front().p, saved);
  const auto r = run_quorvel({"-d", "-i", "100000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  const std::uint64_t tested = primes_of(saved - 1, pmax0).size();
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner +
                "Found ZelStatus.dat with unfinished work. Continuing from last save point.\n" +
                e2e::mode_lines("Proth") + init + range_line(saved - 1, pmax0) +
                sieve_lines(fx.table, rest, saved - 1, pmax0, interval0, pmin0) + "Done\n" +
                e2e::stats_block(saved - 1, pmax0, tested, 3, false) + no_more);
  EXPECT_EQ(read_file(dir / "fact.txt"), fact_file(fx.table, rest));
  EXPECT_EQ(read_file(dir / "ZelStatus.dat"),
            status + status_lines(saved - 1, pmax0, interval0) + "Done\n");
}

TEST(DriverProth, ResumedRangeWithUpdateStrikesTheFactorsFoundBeforeTheStop) {
  // As above, with -u: the factors the stopped run found before its last
  // save are in fact.txt but not in the candidate file. They are struck
  // before the range goes on, so the file written at its end is the one an
  // uninterrupted run writes (every factor of the range gone). Lines of
  // other ranges, of the other sign and the factor of the saved prime itself
  // (found again by the resumed run) are not taken from fact.txt; a
  // malformed line is named and passed over.
  const Fixture& fx = proth_fixture();
  const std::uint64_t saved = standard_saves()[2];
  const std::vector<ref::Factor> before = reference_factors(fx.table, pmin0, saved - 1);
  const std::vector<ref::Factor> rest = reference_factors(fx.table, saved, pmax0);
  const std::vector<ref::Factor> small = reference_factors(fx.table, 5, 3000);
  ASSERT_FALSE(before.empty());
  ASSERT_FALSE(rest.empty());
  ASSERT_FALSE(small.empty());
  ASSERT_EQ(rest.front().p, saved);
  // A true factor of k*2^n-1 for a listed n (the other sign).
  Table minus = fx.table;
  minus.sign = -1;
  const std::vector<ref::Factor> other_sign = reference_factors(minus, 5, 3000);
  ASSERT_FALSE(other_sign.empty());

  ScratchDir dir;
  write_file(dir / "Zel.dat", fx.table.dat());
  std::string status = "pmax=1001000000\npmin=1000000000\n";
  for (int i = 0; i < 3; ++i)
    status += "pmin=" + std::to_string(standard_saves()[i]) + " @ 0 kp/s\n";
  write_file(dir / "ZelStatus.dat", status);
  const auto line_of = [&](const Table& t, const ref::Factor& f) {
    return ref::factor_line(f.p, t.ks[f.kindex], f.n, t.sign) + "\n";
  };
  std::string fact = line_of(fx.table, small.front()) + "# a note\n12345 | 7*2^\n" +
                     line_of(minus, other_sign.front());
  for (const ref::Factor& f : before) fact += line_of(fx.table, f);
  fact += line_of(fx.table, rest.front());
  write_file(dir / "fact.txt", fact);

  const auto r = run_quorvel({"-u", "-d", "-i", "100000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  const std::uint64_t tested = primes_of(saved - 1, pmax0).size();
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner +
                "Found ZelStatus.dat with unfinished work. Continuing from last save point.\n" +
                e2e::mode_lines("Proth") + init +
                "fact.txt:3: malformed line passed over: 12345 | 7*2^\n"
                "Applied the factors of fact.txt with 1000000000 < p <= " +
                std::to_string(saved - 1) + ": " + std::to_string(before.size()) +
                " candidates struck.\n" + range_line(saved - 1, pmax0) +
                sieve_lines(fx.table, rest, saved - 1, pmax0, interval0, pmin0) + "Done\n" +
                "Saving Zel.dat... Done.\n" + e2e::stats_block(saved - 1, pmax0, tested, 3, false) +
                no_more);
  Table left = fx.table;
  for (const ref::Factor& f : fx.factors) std::erase(left.ns[f.kindex], f.n);
  EXPECT_EQ(read_file(dir / "Zel.dat"), left.dat());
  EXPECT_EQ(read_file(dir / "fact.txt"), fact + fact_file(fx.table, rest));
}

TEST(DriverProth, ResumeWithUpdateStopsAtAFalseFactorOfTheRange) {
  const Fixture& fx = proth_fixture();
  const std::uint64_t saved = standard_saves()[2];
  const std::vector<ref::Factor> before = reference_factors(fx.table, pmin0, saved - 1);
  ASSERT_FALSE(before.empty());
  const ref::Factor& f = before.front();
  ASSERT_NE(ref::candidate_mod(fx.table.ks[f.kindex], f.n + 2, +1, f.p), 0u);
  ScratchDir dir;
  write_file(dir / "Zel.dat", fx.table.dat());
  const std::string status =
      "pmax=1001000000\npmin=1000000000\npmin=" + std::to_string(saved) + " @ 0 kp/s\n";
  write_file(dir / "ZelStatus.dat", status);
  const std::string bad = ref::factor_line(f.p, fx.table.ks[f.kindex], f.n + 2, +1);
  const std::string fact =
      ref::factor_line(f.p, fx.table.ks[f.kindex], f.n, +1) + "\n" + bad + "\n";
  write_file(dir / "fact.txt", fact);

  const auto r = run_quorvel({"-u", "-d", "-i", "100000"}, dir.path());
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, e2e::banner +
                          "Found ZelStatus.dat with unfinished work. Continuing from last save "
                          "point.\n" +
                          e2e::mode_lines("Proth") + init + "fact.txt:2: false factor: " + bad +
                          "\nStopped: fact.txt holds false factors of this range; remove them and "
                          "start again.\n");
  EXPECT_EQ(read_file(dir / "Zel.dat"), fx.table.dat());
  EXPECT_EQ(read_file(dir / "ZelStatus.dat"), status);
  EXPECT_EQ(read_file(dir / "fact.txt"), fact);
}

TEST(DriverProth, RieselFileDetectedWithUniqueId) {
  const std::vector<std::uint64_t>& all = primes_of(pmin0, pmax0);
  const Table t = make_table(-1, {all[100], all[20000], all[40000], all[40001]}, 77);
  const std::vector<ref::Factor> factors = reference_factors(t, pmin0, pmax0);
  ASSERT_GE(factors.size(), 4u);
  expect_distinct_primes(factors);
  ScratchDir dir;
  write_file(dir / "riesel01.dat", t.dat());
  write_file(dir / "Zel.dat", "garbage: the file of another id\n");
  const auto r = run_quorvel(
      {"-n", "01", "-d", "-i", "250000", "-npg", "r.npg", "1000000000", "1001000000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  const std::uint64_t tested = all.size();
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner + e2e::mode_lines("Riesel") + init + range_line(pmin0, pmax0) +
                sieve_lines(t, factors, pmin0, pmax0, 250000) + "Done\n" +
                "Writing r.npg... Done.\n" + e2e::stats_block(pmin0, pmax0, tested, 4, false) +
                "\nNo new range found in nextrange01.txt. Exiting.\n");
  EXPECT_EQ(read_file(dir / "fact01.txt"), fact_file(t, factors));
  EXPECT_EQ(read_file(dir / "RieselStatus01.dat"),
            "pmax=1001000000\npmin=1000000000\n" + status_lines(pmin0, pmax0, 250000) + "Done\n");
  // The npg header of k*2^n-1: M, mask 258.
  EXPECT_EQ(read_file(dir / "r.npg"), npg_file(t, "1001000000:M:0:2:258\n"));
  EXPECT_EQ(e2e::listing(dir.path()),
            "RieselStatus01.dat Zel.dat fact01.txt r.npg riesel01.dat stat01.txt");
}

TEST(DriverProth, AlternativeFileWithUpdateAndNpg) {
  // -s wins over detection (a riesel01.dat is present) and over -n for the
  // candidate file; the other files get the id. With -u the n of each new
  // factor leaves the written file; -npg writes every remaining candidate.
  const Fixture& fx = proth_fixture();
  ScratchDir dir;
  write_file(dir / "my.dat", fx.table.dat());
  write_file(dir / "riesel01.dat", "3\n1\n2\n");
  const auto r = run_quorvel({"-s", "my.dat", "-n", "01", "-u", "-d", "-npg", "out.npg", "-i",
                              "100000", "1000000000", "1001000000"},
                             dir.path());
  EXPECT_EQ(r.exit_status, 0);

  Table left = fx.table;
  for (const ref::Factor& f : fx.factors) {
    auto& list = left.ns[f.kindex];
    list.erase(std::remove(list.begin(), list.end(), f.n), list.end());
  }
  const std::string npg = npg_file(left, "1001000000:P:0:2:257\n");

  const std::uint64_t tested = primes_of(pmin0, pmax0).size();
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner + e2e::mode_lines("Proth") + init + range_line(pmin0, pmax0) +
                sieve_lines(fx.table, fx.factors, pmin0, pmax0, interval0) + "Done\n" +
                "Saving my.dat... Done.\nWriting out.npg... Done.\n" +
                e2e::stats_block(pmin0, pmax0, tested, 3, false) +
                "\nNo new range found in nextrange01.txt. Exiting.\n");
  EXPECT_EQ(read_file(dir / "fact01.txt"), fact_file(fx.table, fx.factors));
  EXPECT_EQ(read_file(dir / "my.dat"), left.dat());
  EXPECT_EQ(read_file(dir / "out.npg"), npg);
  EXPECT_EQ(e2e::listing(dir.path()),
            "ZelStatus01.dat fact01.txt my.dat out.npg riesel01.dat stat01.txt");
}

TEST(DriverProth, MissingCandidateFile) {
  ScratchDir dir;
  const auto r = run_quorvel({"1000000000", "1001000000"}, dir.path());
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, e2e::banner + e2e::mode_lines("Proth") +
                          "Initializing... Error: couldn't open 'Zel.dat'\n"
                          "You need a Zel.dat file to run this program. Get it from the Zel "
                          "forums.\n");
  // The range was recorded before the candidate file was looked at.
  EXPECT_EQ(read_file(dir / "ZelStatus.dat"), "pmax=1001000000\npmin=1000000000\n");
}

TEST(DriverProth, RangeChecks) {
  struct Case {
    std::vector<std::string> range;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"999999999", "1001000000"},
       "Sorry, pmin=999999999 has to be at least 10^9 (1G) for this program to work.\n"},
      {{"1000000000"}, "pmax=0 <= pmin=1000000000\n"},
      {{"1000000000", "1000000000"}, "pmax=1000000000 <= pmin=1000000000\n"},
      {{"1200000000", "1100000000", "5"}, "pmax=5 <= pmin=1200000000\n"},
      {{"4611686018427387905", "4611686018427387906"},
       "This program only supports p up to 4611686018427387904\n"
       "pmax=4611686018427387904 <= pmin=4611686018427387905\n"},
  };
  const Fixture& fx = proth_fixture();
  for (const Case& c : cases) {
    ScratchDir dir;
    write_file(dir / "Zel.dat", fx.table.dat());
    const auto r = run_quorvel(c.range, dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.message;
    EXPECT_EQ(r.output, e2e::banner + e2e::mode_lines("Proth") + init + c.message);
    // The status file holds the range as given, before the checks.
    const std::string pmax = c.range.size() > 1 ? c.range.back() : "0";
    EXPECT_EQ(read_file(dir / "ZelStatus.dat"), "pmax=" + pmax + "\npmin=" + c.range[0] + "\n");
    EXPECT_EQ(e2e::listing(dir.path()), "Zel.dat ZelStatus.dat");
  }
}

TEST(DriverProth, RangeWithoutPrimesAndEveryPrimeSaved) {
  const Fixture& fx = proth_fixture();
  {
    // 10^12 + 1 = 73 * 137 * 99990001: no prime in the range.
    ASSERT_TRUE(primes_of(1000000000000, 1000000000002).empty());
    ScratchDir dir;
    write_file(dir / "Zel.dat", fx.table.dat());
    const auto r = run_quorvel({"-d", "1000000000000", "1000000000002"}, dir.path());
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(e2e::mask_varying(r.output),
              e2e::banner + e2e::mode_lines("Proth") + init +
                  range_line(1000000000000, 1000000000002) + "Done\n" +
                  e2e::stats_block(1000000000000, 1000000000002, 0, 3, false) + no_more);
    EXPECT_EQ(e2e::mask_varying(read_file(dir / "stat.txt"), true),
              e2e::stats_block(1000000000000, 1000000000002, 0, 3, true, "#", "#"));
  }
  {
    ScratchDir dir;
    write_file(dir / "Zel.dat", fx.table.dat());
    const std::uint64_t lo = 1000000000000, hi = 1000000000400;
    const std::vector<std::uint64_t>& primes = primes_of(lo, hi);
    ASSERT_GE(primes.size(), 5u);
    const std::vector<ref::Factor> factors = reference_factors(fx.table, lo, hi);
    const auto r =
        run_quorvel({"-d", "-i", "0", std::to_string(lo), std::to_string(hi)}, dir.path());
    EXPECT_EQ(r.exit_status, 0);
    const std::string lines = sieve_lines(fx.table, factors, lo, hi, 0);
    EXPECT_EQ(static_cast<std::size_t>(std::count(lines.begin(), lines.end(), '@')), primes.size());
    EXPECT_EQ(e2e::mask_varying(r.output),
              e2e::banner + e2e::mode_lines("Proth") + init + range_line(lo, hi) + lines +
                  "Done\n" + e2e::stats_block(lo, hi, primes.size(), 3, false) + no_more);
    EXPECT_EQ(read_file(dir / "ZelStatus.dat"),
              "pmax=1000000000400\npmin=1000000000000\n" + status_lines(lo, hi, 0) + "Done\n");
  }
}

TEST(DriverProth, RangeEndingAtTheLimit) {
  const std::uint64_t limit = 4611686018427387904ull;  // 2^62
  const std::uint64_t lo = limit - 20000;
  const Fixture& fx = proth_fixture();
  const std::vector<ref::Factor> factors = reference_factors(fx.table, lo, limit);
  expect_distinct_primes(factors);
  const std::uint64_t tested = primes_of(lo, limit).size();
  // 2^62 + 1 is lowered to 2^62 (a pmax of 2^62 itself passes silently, as
  // the k-range runs show), and the primes up to 2^62 are all handled.
  for (const std::uint64_t pmax : {limit + 1}) {
    ScratchDir dir;
    write_file(dir / "Zel.dat", fx.table.dat());
    const auto r =
        run_quorvel({"-d", "-i", "5000", std::to_string(lo), std::to_string(pmax)}, dir.path());
    EXPECT_EQ(r.exit_status, 0);
    const std::string clamp =
        pmax > limit ? "This program only supports p up to 4611686018427387904\n" : "";
    EXPECT_EQ(e2e::mask_varying(r.output),
              e2e::banner + e2e::mode_lines("Proth") + init + clamp + range_line(lo, limit) +
                  sieve_lines(fx.table, factors, lo, limit, 5000) + "Done\n" +
                  e2e::stats_block(lo, limit, tested, 3, false) + no_more)
        << pmax;
    // The status file keeps the range as given.
    EXPECT_EQ(read_file(dir / "ZelStatus.dat"), "pmax=" + std::to_string(pmax) +
                                                    "\npmin=" + std::to_string(lo) + "\n" +
                                                    status_lines(lo, limit, 5000) + "Done\n");
  }
}

/// A finished status file of the standard range.
const std::string finished = "pmax=1001000000\npmin=1000000000\npmin=1000100011 @ 0 kp/s\nDone\n";
const std::string question = "Do you wish to clear ZelStatus.dat and begin a new range? [y/n] : ";
const std::string prompts = "Sieve from (in billions) : Sieve to (in billions) : ";
const std::string sorry0 = "Sorry, pmin=0 has to be at least 10^9 (1G) for this program to work.\n";

TEST(DriverProth, CompletedWorkQuestionAnsweredYes) {
  // The prompted range 0 to 1 billion is recorded, then refused by the
  // Proth range check (ranges from the prompt are whole billions).
  const Fixture& fx = proth_fixture();
  struct Case {
    std::string input;
    int questions;
  };
  for (const Case& c : {Case{"y\n0\n1\n", 1}, Case{"Y\n0\n1\n", 1}, Case{"m a y\n0\n1\n", 3}}) {
    ScratchDir dir;
    write_file(dir / "Zel.dat", fx.table.dat());
    write_file(dir / "ZelStatus.dat", finished);
    const auto r = run_quorvel({"-d"}, dir.path(), c.input);
    std::string asked;
    for (int i = 0; i < c.questions; ++i) asked += question;
    EXPECT_EQ(r.exit_status, 1) << c.input;
    EXPECT_EQ(r.output, e2e::banner + "Found ZelStatus.dat with completed work.\n" + asked +
                            prompts + e2e::mode_lines("Proth") + init + sorry0)
        << c.input;
    EXPECT_EQ(read_file(dir / "ZelStatus.dat"), "pmax=1000000000\npmin=0\n") << c.input;
  }
}

TEST(DriverProth, CompletedWorkQuestionAnsweredNoOrNotAtAll) {
  const Fixture& fx = proth_fixture();
  for (const std::string& input : {std::string("n\n1\n2\n"), std::string("")}) {
    ScratchDir dir;
    write_file(dir / "Zel.dat", fx.table.dat());
    write_file(dir / "ZelStatus.dat", finished);
    const auto r = run_quorvel({"-d"}, dir.path(), input);
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output,
              e2e::banner + "Found ZelStatus.dat with completed work.\n" + question +
                  (input.empty() ? "\nNo answer on standard input. Exiting.\n" : "Exiting.\n"));
    EXPECT_EQ(read_file(dir / "ZelStatus.dat"), finished);
    EXPECT_EQ(e2e::listing(dir.path()), "Zel.dat ZelStatus.dat");
  }
}

TEST(DriverProth, CommandLineRangeOverAnExistingStatusFile) {
  const Fixture& fx = proth_fixture();
  const std::uint64_t lo = 1000000000, hi = 1000200000;
  const std::vector<ref::Factor> factors = reference_factors(fx.table, lo, hi);
  const std::string run_part = e2e::mode_lines("Proth") + init + range_line(lo, hi) +
                               sieve_lines(fx.table, factors, lo, hi, interval0) + "Done\n" +
                               e2e::stats_block(lo, hi, primes_of(lo, hi).size(), 3, false) +
                               no_more;
  const std::string unfinished = "pmax=1001000000\npmin=1000000000\npmin=1000100011 @ 0 kp/s\n";
  {
    ScratchDir dir;  // declined: nothing changes
    write_file(dir / "Zel.dat", fx.table.dat());
    write_file(dir / "ZelStatus.dat", unfinished);
    const auto r = run_quorvel({"-d", "1000000000", "1000200000"}, dir.path(), "n\n");
    EXPECT_EQ(r.exit_status, 1);
    EXPECT_EQ(r.output, e2e::banner + question + "Exiting.\n");
    EXPECT_EQ(read_file(dir / "ZelStatus.dat"), unfinished);
  }
  for (const bool force : {false, true}) {
    ScratchDir dir;
    write_file(dir / "Zel.dat", fx.table.dat());
    write_file(dir / "ZelStatus.dat", unfinished);
    std::vector<std::string> args = {"-d", "-i", "100000", "1000000000", "1000200000"};
    if (force) args.insert(args.begin(), "-f");
    const auto r = run_quorvel(args, dir.path(), force ? "" : "y\n");
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(e2e::mask_varying(r.output), e2e::banner + (force ? "" : question) + run_part);
    EXPECT_EQ(read_file(dir / "ZelStatus.dat"),
              "pmax=1000200000\npmin=1000000000\n" + status_lines(lo, hi, interval0) + "Done\n");
  }
}

TEST(DriverProth, PromptsWithoutStatusFile) {
  const Fixture& fx = proth_fixture();
  ScratchDir dir;
  write_file(dir / "Zel.dat", fx.table.dat());
  auto r = run_quorvel({"-d"}, dir.path(), "0\n0\n1\n");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, e2e::banner + "Sieve from (in billions) : Sieve to (in billions) : " +
                          "Sieve to (in billions) : " + e2e::mode_lines("Proth") + init + sorry0);
  EXPECT_EQ(read_file(dir / "ZelStatus.dat"), "pmax=1000000000\npmin=0\n");

  // The refused range stays in the status file: the next start continues
  // from it without asking and stops again.
  r = run_quorvel({"-d"}, dir.path(), "");
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output,
            e2e::banner +
                "Found ZelStatus.dat with unfinished work. Continuing from last save point.\n" +
                e2e::mode_lines("Proth") + init + sorry0);
  EXPECT_EQ(read_file(dir / "ZelStatus.dat"), "pmax=1000000000\npmin=0\n");
}

TEST(DriverProth, PromptWithoutUsableAnswer) {
  const Fixture& fx = proth_fixture();
  for (const std::string& input : {std::string("x\n"), std::string("1\n"), std::string("")}) {
    ScratchDir dir;
    write_file(dir / "Zel.dat", fx.table.dat());
    const auto r = run_quorvel({"-d"}, dir.path(), input);
    EXPECT_EQ(r.exit_status, 1) << input;
    const std::string expected =
        input == "x\n"   ? "Sieve from (in billions) : Not a whole number of billions. Exiting.\n"
        : input == "1\n" ? "Sieve from (in billions) : Sieve to (in billions) : \n"
                           "No answer on standard input. Exiting.\n"
                         : "Sieve from (in billions) : \nNo answer on standard input. Exiting.\n";
    EXPECT_EQ(r.output, e2e::banner + expected) << input;
    EXPECT_EQ(e2e::listing(dir.path()), "Zel.dat") << input;
  }
}

TEST(DriverProth, QueueOfTwoRanges) {
  const Fixture& fx = proth_fixture();
  const std::uint64_t mid = 1000400000;
  ScratchDir dir;
  write_file(dir / "Zel.dat", fx.table.dat());
  write_file(dir / "nextrange.txt",
             "pmin=0\npmax=1001000000\nnote\npmin=1000400000\npmin=5\nleft\n");
  const auto r = run_quorvel({"-d", "-i", "100000", "1000000000", "1000400000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  const std::vector<ref::Factor> f1 = reference_factors(fx.table, pmin0, mid);
  const std::vector<ref::Factor> f2 = reference_factors(fx.table, mid, pmax0);
  ASSERT_FALSE(f1.empty());
  ASSERT_FALSE(f2.empty());
  const std::uint64_t t1 = primes_of(pmin0, mid).size(), t2 = primes_of(mid, pmax0).size();
  EXPECT_EQ(e2e::mask_varying(r.output),
            e2e::banner + e2e::mode_lines("Proth") + init + range_line(pmin0, mid) +
                sieve_lines(fx.table, f1, pmin0, mid, interval0) + "Done\n" +
                e2e::stats_block(pmin0, mid, t1, 3, false) +
                "\nFound a new range in nextrange.txt. Starting work on that one.\n" +
                range_line(mid, pmax0) + sieve_lines(fx.table, f2, mid, pmax0, interval0) +
                "Done\n" + e2e::stats_block(mid, pmax0, t2, 3, false) + no_more);
  EXPECT_EQ(read_file(dir / "fact.txt"), fact_file(fx.table, fx.factors));
  EXPECT_EQ(read_file(dir / "ZelStatus.dat"),
            "pmax=1001000000\npmin=1000400000\n" + status_lines(mid, pmax0, interval0) + "Done\n");
  EXPECT_EQ(read_file(dir / "nextrange.txt"), "pmin=5\nleft\n");
  EXPECT_EQ(e2e::mask_varying(read_file(dir / "stat.txt"), true),
            e2e::stats_block(pmin0, mid, t1, 3, true, "#", "#") +
                e2e::stats_block(mid, pmax0, t2, 3, true, "#", "#"));
}

}  // namespace
}  // namespace quorvel
