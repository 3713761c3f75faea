// Real Proth and Riesel runs of the built program on candidate files made
// here, checked against the brute-force reference: fact.txt must hold exactly
// the factors that the reference finds by testing every listed n of every k
// against every prime of the range, and every line of every factor file must
// be a true factor of a number of its k.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "reference/order_reference.hpp"
#include "reference/reference.hpp"
#include "search/candidate_files.hpp"
#include "support/test_support.hpp"

namespace quorvel::test {
namespace {

struct Outcome {
  std::string console, fact, factexcl, factrange;
  int status = -1;
};

Outcome run_sieve(const Candidates& c, std::uint64_t pmin, std::uint64_t pmax,
                  std::vector<std::string> extra = {}) {
  ScratchDir dir;
  write_file(dir / "cand.dat", c.text());
  std::vector<std::string> args = {"-s", "cand.dat"};
  if (c.sign < 0) args.push_back("-riesel");
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back(std::to_string(pmin));
  args.push_back(std::to_string(pmax));
  const RunResult r = run_quorvel(args, dir.path(), "", 600);
  return {r.output, read_file(dir / "fact.txt"), read_file(dir / "factexcl.txt"),
          read_file(dir / "factrange.txt"), r.exit_status};
}

/// Checks one run over [pmin, pmax], whose primes are `primes`, against the
/// reference and returns the number of factors.
std::size_t check_against_reference(const Candidates& c, std::uint64_t pmin, std::uint64_t pmax,
                                    const std::vector<std::uint64_t>& primes, const Outcome& out) {
  EXPECT_EQ(out.status, 0) << out.console;
  const auto expected = ref::factors_of_primes(c.ks, c.lists(), c.sign, primes);
  std::vector<std::string> want;
  for (const ref::Factor& f : expected)
    want.push_back(ref::factor_line(f.p, c.ks[f.kindex], f.n, c.sign));
  std::vector<std::string> got = split_lines(out.fact);
  // Lines come in increasing p; within one p their order is the search's.
  std::uint64_t last_p = 0;
  for (const std::string& line : got) {
    ParsedFactor f;
    EXPECT_TRUE(parse_factor_line(line, f)) << line;
    EXPECT_GE(f.p, last_p) << line;
    last_p = f.p;
  }
  std::sort(got.begin(), got.end());
  std::sort(want.begin(), want.end());
  EXPECT_EQ(got, want);
  // Every reported line, in every file, is a true factor of a number of a k
  // of the file, found by a prime of the range.
  for (const std::string* text : {&out.fact, &out.factexcl, &out.factrange}) {
    for (const std::string& line : split_lines(*text)) {
      ParsedFactor f;
      if (!parse_factor_line(line, f)) {
        ADD_FAILURE() << "malformed factor line: " << line;
        continue;
      }
      EXPECT_EQ(f.sign, c.sign) << line;
      EXPECT_TRUE(f.p >= pmin && f.p <= pmax && ref::is_prime(f.p)) << line;
      EXPECT_EQ(ref::candidate_mod(f.k, f.n, f.sign, f.p), 0u) << line;
      EXPECT_NE(std::find(c.ks.begin(), c.ks.end(), f.k), c.ks.end()) << line;
    }
  }
  return want.size();
}

std::size_t check_against_reference(const Candidates& c, std::uint64_t pmin, std::uint64_t pmax,
                                    const Outcome& out) {
  return check_against_reference(c, pmin, pmax, ref::primes_between(pmin, pmax), out);
}

/// Random n of k index j in [lo, hi], about one in `every`.
void add_random_n(Candidates& c, std::size_t j, std::uint64_t lo, std::uint64_t hi, int count,
                  std::mt19937_64& rng) {
  for (int i = 0; i < count; ++i) c.add_n(j, lo + rng() % (hi - lo + 1));
}

struct StandardRow {
  std::int64_t k;
  std::uint32_t equiv, power;
};
constexpr StandardRow standard_rows[] = {{4847, 15, 24},  {10223, 5, 12},  {19249, 14, 36},
                                         {21181, 20, 24}, {22699, 46, 72}, {24737, 7, 24},
                                         {27653, 33, 36}, {28433, 1, 24},  {33661, 0, 24},
                                         {55459, 10, 12}, {67607, 3, 8}};

/// The standard k with n of their own classes, two consecutive class members
/// (so the common difference is exactly the period) and planted factors from
/// primes at the start of [pmin, pmax].
Candidates standard_set(bool drop_one, std::uint64_t pmin, std::uint64_t pmax) {
  Candidates c;
  c.sign = +1;
  c.nlow = 1000000;
  c.nhigh = 4000000000u;
  std::mt19937_64 rng(11);
  for (const StandardRow& row : standard_rows) {
    if (drop_one && row.k == 21181) continue;
    const std::size_t j = c.add_k(row.k);
    std::uint64_t base = c.nlow + row.equiv + 1000u * row.power;
    base -= base % row.power;
    base += row.equiv;
    c.add_n(j, base);
    c.add_n(j, base + row.power);
    for (int i = 0; i < 20; ++i) c.add_n(j, base + row.power * (2 + rng() % 150000000));
    plant_by_log(c, j, pmin, pmax, 2, [&](std::uint64_t n) { return n % row.power == row.equiv; });
  }
  return c;
}

// The n range spans 4*10^9, so nearly every prime has solutions for every k
// outside the short lists: -d keeps those duplicates out of the files.
TEST(SearchAgainstReference, StandardSetExactly) {
  const std::uint64_t pmin = 1000000000, pmax = 1000050000;
  const Candidates c = standard_set(false, pmin, pmax);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax, {"-d"})), 11u);
}

TEST(SearchAgainstReference, StandardSetMinusOneK) {
  const std::uint64_t pmin = 1000000000, pmax = 1000050000;
  const Candidates c = standard_set(true, pmin, pmax);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax, {"-d"})), 10u);
}

/// k whose n keep to one class modulo periods short and long (the joins of a
/// class modulo Pm with a period are kept per residue of Pm for periods up to
/// 256 and made afresh for longer ones). Each k is made from a prime of the
/// range and a member n of its class, k = -+2^-n mod p, so that p divides
/// its number at n.
Candidates periods_short_and_long(int sign, std::uint64_t pmin, std::uint64_t pmax) {
  Candidates c;
  c.sign = sign;
  c.nlow = 300000;
  c.nhigh = 3000000;
  std::mt19937_64 rng(sign > 0 ? 21 : 22);
  const auto primes = ref::primes_between(pmin, pmax);
  // Their lcm, 9000, stays within the bound above which periods are cut.
  const std::uint32_t periods[] = {8, 24, 72, 360, 1000, 9000};
  for (const std::uint32_t period : periods) {
    const std::uint64_t p = primes[rng() % primes.size()];
    const std::uint64_t half = (p + 1) / 2;
    // Class members from a random one up, until k is odd, above 1 and its
    // number at n not divisible by 3 (which no file holds).
    std::uint64_t n = c.nlow + period * (rng() % ((c.nhigh - c.nlow) / period / 2));
    n += rng() % period;
    std::int64_t k = 0;
    for (;; n += period) {
      const std::uint64_t r = ref::powmod(half, n, p);  // 2^-n
      k = static_cast<std::int64_t>(sign > 0 ? p - r : r);
      if (k >= 3 && k % 2 == 1 && !c.three_divides(k, static_cast<std::uint32_t>(n))) break;
    }
    const std::size_t j = c.add_k(k);
    // Two consecutive members fix the period; more lie around them.
    EXPECT_TRUE(c.add_n(j, n));
    EXPECT_TRUE(c.add_n(j, n + period));
    for (int i = 0; i < 20; ++i) {
      const std::uint64_t members = (c.nhigh - c.nlow) / period;
      c.add_n(j, c.nlow + n % period + period * (rng() % members));
    }
  }
  return c;
}

TEST(SearchAgainstReference, ProthShortAndLongPeriods) {
  const std::uint64_t pmin = 1000000000, pmax = 1000060000;
  const Candidates c = periods_short_and_long(+1, pmin, pmax);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax, {"-d"})), 6u);
}

TEST(SearchAgainstReference, RieselShortAndLongPeriods) {
  const std::uint64_t pmin = 1000000000, pmax = 1000060000;
  const Candidates c = periods_short_and_long(-1, pmin, pmax);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax, {"-d"})), 6u);
}

/// Small and special k (1, multiples of 3, even, >= 10^6, near 2^31 so the
/// primes lie below k), each with planted factors and random n.
Candidates special_ks(int sign, std::uint32_t nlow, std::uint32_t nhigh, std::uint64_t pmin,
                      std::uint64_t pmax) {
  Candidates c;
  c.sign = sign;
  c.nlow = nlow;
  c.nhigh = nhigh;
  std::mt19937_64 rng(sign > 0 ? 5 : 6);
  for (std::int64_t k :
       {1, 3, 5, 7, 9, 15, 2, 6, 1000003, 999999, 999997, 2147483647, 2147483645}) {
    const std::size_t j = c.add_k(k);
    add_random_n(c, j, nlow, nhigh, 40, rng);
    plant_by_log(c, j, pmin, pmax, 3, [](std::uint64_t) { return true; });
  }
  return c;
}

TEST(SearchAgainstReference, ProthSpecialKWideRange) {
  const std::uint64_t pmin = 1000000000, pmax = 1000030000;
  const Candidates c = special_ks(+1, 1, 150000000, pmin, pmax);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 12u);
}

TEST(SearchAgainstReference, RieselSpecialKWideRange) {
  const std::uint64_t pmin = 1000000000, pmax = 1000030000;
  const Candidates c = special_ks(-1, 600000, 150000000, pmin, pmax);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 12u);
}

/// Many k chosen so that primes of the range divide one of their numbers.
Candidates planted_ks(int sign, std::uint32_t nlow, std::uint32_t nhigh, std::uint64_t pmin,
                      std::uint64_t pmax, int nks, std::uint64_t kmax) {
  Candidates c;
  c.sign = sign;
  c.nlow = nlow;
  c.nhigh = nhigh;
  std::mt19937_64 rng(static_cast<std::uint64_t>(nks) * 31 + nlow);
  const auto primes = ref::primes_between(pmin, pmax);
  for (std::size_t i = 0; static_cast<int>(c.ks.size()) < nks && i < primes.size(); i += 97)
    plant_by_k(c, primes[i], nlow, nhigh, kmax, 2);
  for (std::size_t j = 0; j < c.ks.size(); ++j) add_random_n(c, j, nlow, nhigh, 30, rng);
  return c;
}

TEST(SearchAgainstReference, ProthFewKLowN) {
  const std::uint64_t pmin = 1000000000, pmax = 1000100000;
  const Candidates c = planted_ks(+1, 100, 5000, pmin, pmax, 12, 2147483647);
  ASSERT_LE(c.ks.size(), 19u);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 12u);
}

TEST(SearchAgainstReference, ProthManyKHighN) {
  const std::uint64_t pmin = 1000000000, pmax = 1000100000;
  const Candidates c = planted_ks(+1, 600000, 700000, pmin, pmax, 40, 2147483647);
  ASSERT_GT(c.ks.size(), 19u);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 40u);
}

TEST(SearchAgainstReference, RieselManyKLowN) {
  const std::uint64_t pmin = 2000000000, pmax = 2000100000;
  const Candidates c = planted_ks(-1, 1, 20000, pmin, pmax, 30, 2147483647);
  ASSERT_GT(c.ks.size(), 19u);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 30u);
}

TEST(SearchAgainstReference, RieselFewKHighN) {
  const std::uint64_t pmin = 1500000000, pmax = 1500100000;
  const Candidates c = planted_ks(-1, 2000000, 2500000, pmin, pmax, 8, 2147483647);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 8u);
}

TEST(SearchAgainstReference, DenseListsSmallK) {
  // Every 3-sieved n of a window for a few small k, plus planted factors.
  const std::uint64_t pmin = 1000000000, pmax = 1000020000;
  Candidates c;
  c.sign = +1;
  c.nlow = 1;
  c.nhigh = 150000000;
  for (std::int64_t k : {5, 11, 13}) {
    const std::size_t j = c.add_k(k);
    for (std::uint64_t n = 2000000; n < 2006000; ++n) c.add_n(j, n);
    plant_by_log(c, j, pmin, pmax, 4, [](std::uint64_t) { return true; });
  }
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 3u);
}

TEST(SearchAgainstReference, ProthNearTenToThe13) {
  const std::uint64_t pmin = 10000000000000ULL, pmax = 10000000050000ULL;
  const Candidates c = planted_ks(+1, 1, 400000, pmin, pmax, 10, 2147483647);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 5u);
}

TEST(SearchAgainstReference, RieselLastMillionBelowTwoTo50) {
  const std::uint64_t pmax = 1125899906842624ULL, pmin = pmax - 1000000;
  const Candidates c = planted_ks(-1, 1, 6000000, pmin, pmax, 4, 2147483647);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 2u);
}

TEST(SearchAgainstReference, ProthLastMillionBelowTwoTo50) {
  const std::uint64_t pmax = 1125899906842624ULL, pmin = pmax - 1000000;
  const Candidates c = planted_ks(+1, 1, 6000000, pmin, pmax, 4, 2147483647);
  EXPECT_GE(check_against_reference(c, pmin, pmax, run_sieve(c, pmin, pmax)), 2u);
}

/// The factors one prime gives, in the order of its search: k by k in file
/// order, and for each k ordered as its final search meets them. With the
/// usable part Pm of the order of 2 and a common period 1, each k's n form
/// one class n = r (mod Pm); the search strides by G = x*s with x = Pm and
/// s = floor(sqrt((nhigh - nlow) / x / 10)) (G = x when s < 2), and meets
/// u = n - r by u mod G, then u. The prime 4562284561 divides 2^60 + 1, so 2
/// has order 120 and a dense n list holds hundreds of factors per k.
void check_order_of_one_prime(int sign) {
  const std::uint64_t p = 4562284561ULL;
  ASSERT_TRUE(ref::is_prime(p));
  ASSERT_EQ(ref::powmod(2, 120, p), 1u);
  for (std::uint64_t f : {2, 3, 5}) ASSERT_NE(ref::powmod(2, 120 / f, p), 1u);
  Candidates c;
  c.sign = sign;
  c.nlow = 1000;
  c.nhigh = 41000;
  // k of the subgroup generated by 2 (it holds -1, so both forms have
  // solutions), odd, below 2^31 and divisible by 3 so that every n stays.
  std::vector<std::int64_t> ks;
  for (std::uint64_t j = 0; j < 120 && ks.size() < 2; ++j) {
    const std::uint64_t v = ref::powmod(2, j, p);
    if (v % 2 == 1 && v % 3 == 0 && v < (1ULL << 31)) ks.push_back(static_cast<std::int64_t>(v));
  }
  ASSERT_EQ(ks.size(), 2u);
  std::sort(ks.rbegin(), ks.rend());  // file order is not k order
  for (std::int64_t k : ks) {
    const std::size_t j = c.add_k(k);
    for (std::uint32_t n = c.nlow; n <= c.nhigh; ++n) ASSERT_TRUE(c.add_n(j, n));
  }
  // Pm from the model of the order bound (every prime of 120 is below 31).
  const std::uint32_t range = c.nhigh - c.nlow;
  const ref::OrderBound ob = ref::order_bound_model(p, {}, 12, range);
  std::uint64_t pm = 1;
  for (std::uint32_t chunk : ob.chunks) {
    if (chunk > range / pm) break;
    pm *= chunk;
  }
  ASSERT_GT(pm, 4u);
  std::uint64_t s = 0;
  while ((s + 1) * (s + 1) <= range / pm / 10) ++s;
  const std::uint64_t g = s >= 2 ? pm * s : pm;
  ASSERT_GT(g, 120u);  // the order is not simply increasing n
  std::vector<std::string> want;
  for (std::int64_t k : ks) {
    std::vector<std::uint64_t> ns =
        ref::solutions_in(static_cast<std::uint64_t>(k), sign, p, c.nlow, c.nhigh);
    ASSERT_GT(ns.size(), 100u);
    std::stable_sort(ns.begin(), ns.end(), [&](std::uint64_t a, std::uint64_t b) {
      const std::uint64_t ua = a - a % pm, ub = b - b % pm;
      return ua % g != ub % g ? ua % g < ub % g : a < b;
    });
    for (std::uint64_t n : ns)
      want.push_back(ref::factor_line(p, k, static_cast<std::uint32_t>(n), sign));
  }
  const Outcome out = run_sieve(c, p - 1, p + 1);
  EXPECT_EQ(check_against_reference(c, p - 1, p + 1, out), want.size());
  EXPECT_EQ(split_lines(out.fact), want);
}

/// A prime factor p of k*2^n+1 (sign +1) or k*2^n-1 (sign -1) from 2^50 to
/// 2^62. The first ones, with 64 <= n <= 140, were found by factoring those
/// numbers with the elliptic-curve method of a general computer algebra
/// package; the last ones per sign were made with p - 1 = 2 m q1 q2, q1 and
/// q2 primes above the prime stream's last base prime (so that its record
/// leaves p - 1 with a composite cofactor), k being the first odd -+2^-n mod p
/// below 2^31. The test checks each with 128-bit arithmetic.
struct KnownFactor {
  std::uint64_t p;
  std::int64_t k;
  std::uint32_t n;
  std::uint64_t q1 = 0, q2 = 0;  ///< the large primes of p - 1, when made so
};

const std::vector<KnownFactor> proth_known = {
    {1133093987422363ULL, 3, 130},
    {1356281999599529ULL, 5, 93},
    {1400106420424861ULL, 7, 80},
    {3391543900660921ULL, 3, 104},
    {5708842224228889ULL, 3, 130},
    {11166439015184339ULL, 5, 97},
    {11929994782186259ULL, 7, 84},
    {34314963729993851ULL, 7, 64},
    {53692725471703733ULL, 5, 73},
    {100332245873195263ULL, 7, 72},
    {105621347991638659ULL, 5, 139},
    {768476554984690787ULL, 7, 108},
    {979857231933402847ULL, 5, 109},
    {1837085028172143361ULL, 3, 133},
    {3843873270992298983ULL, 5, 77},
    {4404599255303259409ULL, 3, 116},
    {730201408497303643ULL, 470123031, 915131608, 99461507, 135954589},
    {3205211668076944919ULL, 421199415, 2166626157, 103666007, 76154279},
    {4597230398924271139ULL, 1487712223, 233481878, 79724461, 73363853},
};

const std::vector<KnownFactor> riesel_known = {
    {1881898179533243ULL, 3, 130},
    {2954576644566691ULL, 3, 77},
    {5194557394270151ULL, 3, 136},
    {7016772405425687ULL, 3, 98},
    {19696288955208581ULL, 5, 70},
    {35723850173610581ULL, 5, 88},
    {53087338301940073ULL, 3, 68},
    {550549572181991969ULL, 5, 74},
    {1303499592089040431ULL, 3, 138},
    {2816163471621326689ULL, 3, 88},
    {4109177390438612689ULL, 646868303, 1335457216, 89713831, 136318943},
    {1163057941079045419ULL, 176025981, 88241728, 138232091, 127481903},
    {3933130963194050851ULL, 479633817, 1274922626, 107427461, 81359933},
};

/// Runs the program on a window of 4000 around each known factor, with one
/// candidate file holding every k of the list, its n and random other n:
/// each factor must be reported, and every run must match the reference.
void check_known_factors(const std::vector<KnownFactor>& known, int sign) {
  constexpr std::uint64_t last_base_prime = 67174399;  // bound of the stream's record
  std::size_t mid = 0, wide = 0, top = 0, composite = 0;
  Candidates c;
  c.sign = sign;
  c.nlow = 1;
  c.nhigh = 2200000000u;
  std::mt19937_64 rng(sign > 0 ? 50 : 51);
  for (const KnownFactor& f : known) {
    SCOPED_TRACE(ref::factor_line(f.p, f.k, f.n, sign));
    ASSERT_TRUE(f.p > (std::uint64_t{1} << 50) && f.p < (std::uint64_t{1} << 62));
    ASSERT_TRUE(ref::is_prime(f.p));
    ASSERT_EQ(ref::candidate_mod(f.k, f.n, sign, f.p), 0u);
    (f.p < (std::uint64_t{3} << 51) ? mid : wide) += 1;
    top += f.p > (std::uint64_t{1} << 61) ? 1 : 0;
    if (f.q1 != 0) {
      ASSERT_TRUE(ref::is_prime(f.q1) && ref::is_prime(f.q2) && f.q1 != f.q2);
      ASSERT_GT(std::min(f.q1, f.q2), last_base_prime);
      ASSERT_EQ((f.p - 1) % (f.q1 * f.q2), 0u);
      ++composite;
    }
    std::size_t j = 0;
    while (j < c.ks.size() && c.ks[j] != f.k) ++j;
    if (j == c.ks.size()) {
      c.add_k(f.k);
      add_random_n(c, j, c.nlow, f.n < 200 ? 200 : c.nhigh, 20, rng);
    }
    ASSERT_TRUE(c.add_n(j, f.n));
  }
  // Both double-based families' neighbour and the integer kernels, the top
  // of the range, and p - 1 left with a composite cofactor.
  EXPECT_GE(mid, 3u);
  EXPECT_GE(wide, 6u);
  EXPECT_GE(top, 3u);
  EXPECT_GE(composite, 2u);
  std::vector<std::pair<std::uint64_t, std::uint64_t>> windows;
  for (const KnownFactor& f : known) windows.push_back({f.p - 2000, f.p + 2000});
  const auto primes = ref::primes_in_windows(windows);
  for (std::size_t i = 0; i < known.size(); ++i) {
    const KnownFactor& f = known[i];
    SCOPED_TRACE(ref::factor_line(f.p, f.k, f.n, sign));
    const Outcome out = run_sieve(c, f.p - 2000, f.p + 2000, {"-d"});
    check_against_reference(c, f.p - 2000, f.p + 2000, primes[i], out);
    const std::vector<std::string> lines = split_lines(out.fact);
    EXPECT_NE(std::find(lines.begin(), lines.end(), ref::factor_line(f.p, f.k, f.n, sign)),
              lines.end());
  }
}

TEST(SearchAboveTwoToTheFifty, KnownProthFactorsAreFound) { check_known_factors(proth_known, +1); }

TEST(SearchAboveTwoToTheFifty, KnownRieselFactorsAreFound) {
  check_known_factors(riesel_known, -1);
}

TEST(SearchAgainstReference, ProthFactorsOfOnePrimeInSearchOrder) { check_order_of_one_prime(+1); }

TEST(SearchAgainstReference, RieselFactorsOfOnePrimeInSearchOrder) { check_order_of_one_prime(-1); }

}  // namespace
}  // namespace quorvel::test
