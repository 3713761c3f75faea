// Applying factor files (-a) end to end: peer factor files on the bundled
// Proth example and on a Riesel file, a file of every kind of line (good,
// repeated, outside, of the other sign, malformed, false), the k-range and
// twin files with old and new headers, and the refusals. The factors come
// from the brute-force references; the expected candidate files are written
// from the reference's own lists, never from the program's output.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "driver_e2e_util.hpp"
#include "reference/reference.hpp"
#include "search/candidate_files.hpp"

namespace quorvel::test {
namespace {

/// The lists of a candidate file (header, then "k=K", the first n and the
/// rest as "+d" or absolute), read with a plain stream.
Candidates parse_candidates(const std::string& text, int sign) {
  Candidates c;
  c.sign = sign;
  std::istringstream in(text);
  std::size_t count = 0;
  in >> count >> c.nlow >> c.nhigh;
  std::uint32_t prev = 0;
  for (std::string item; in >> item;) {
    if (item[0] == 'k') {
      c.add_k(std::stoll(item.substr(2)));
      continue;
    }
    prev = item[0] == '+' ? prev + static_cast<std::uint32_t>(std::stoul(item.substr(1)))
                          : static_cast<std::uint32_t>(std::stoul(item));
    c.ns.back().insert(prev);
  }
  EXPECT_EQ(c.ks.size(), count);
  return c;
}

/// The smallest prime 5 <= p < 10^5 that divides k*2^n+sign and is not the
/// number itself, or 0.
std::uint64_t small_factor(std::int64_t k, std::uint64_t n, int sign) {
  static const std::vector<std::uint64_t> primes = ref::primes_between(5, 100000);
  for (const std::uint64_t p : primes) {
    if (ref::candidate_mod(k, static_cast<std::uint32_t>(n), sign, p) == 0 &&
        !ref::equals_prime(k, static_cast<std::uint32_t>(n), sign, p))
      return p;
  }
  return 0;
}

/// The line "p | k*2^n+-1" of the first n in `ns` (in order) whose number has
/// a small factor; the n is left in `used`.
template <typename Ns>
std::string factor_of_first(std::int64_t k, const Ns& ns, int sign, std::uint64_t* used = nullptr) {
  for (const std::uint64_t n : ns) {
    const std::uint64_t p = small_factor(k, n, sign);
    if (p == 0) continue;
    if (used != nullptr) *used = n;
    return ref::factor_line(p, k, static_cast<std::uint32_t>(n), sign);
  }
  ADD_FAILURE() << "no small factor for k=" << k;
  return "";
}

/// The n from `from` to `to`.
std::vector<std::uint64_t> span_of(std::uint64_t from, std::uint64_t to) {
  std::vector<std::uint64_t> out;
  for (std::uint64_t n = from; n <= to; ++n) out.push_back(n);
  return out;
}

/// factor_of_first for k over n = from, from+1, ... (at most 200 of them).
std::string factor_from(std::int64_t k, std::uint64_t from, int sign) {
  return factor_of_first(k, span_of(from, from + 199), sign);
}

std::string summary(int applied, int gone, int outside, int wrong, int false_factors,
                    int malformed) {
  return "Factors: " + std::to_string(applied) + " applied, " + std::to_string(gone) +
         " already gone, " + std::to_string(outside) + " outside the file's range, " +
         std::to_string(wrong) + " wrong form, " + std::to_string(false_factors) + " false, " +
         std::to_string(malformed) + " malformed.\n";
}

const std::string unchanged_false =
    "Nothing was changed: the factor files hold false or malformed lines.\n";

const std::string& example_text() {
  static const std::string text = read_file(source_dir() / "examples" / "proth-example.dat");
  return text;
}

/// The factors of the bundled example with 10^6 < p <= 1.1*10^6 (the file
/// was sieved to 10^6), in the order of p.
const std::vector<ref::Factor>& example_factors() {
  static const std::vector<ref::Factor> f = [] {
    const Candidates c = parse_candidates(example_text(), +1);
    return ref::factors(c.ks, c.lists(), +1, 1000001, 1100000);
  }();
  return f;
}

TEST(ApplyFactors, PeerFilesOnTheProthExample) {
  const Candidates c = parse_candidates(example_text(), +1);
  ASSERT_EQ(c.size(), 3740u);
  const std::vector<ref::Factor>& factors = example_factors();
  ASSERT_GE(factors.size(), 10u);
  // A peer's file with CR line ends, a comment and blank lines; a second
  // peer's file repeats three of the factors.
  std::string peer1 = "# factors of 1000000 < p <= 1100000\r\n\r\n";
  std::string peer2;
  Candidates left = c;
  std::set<std::pair<std::uint32_t, std::uint32_t>> struck;
  for (std::size_t i = 0; i < factors.size(); ++i) {
    const ref::Factor& f = factors[i];
    const std::string line = ref::factor_line(f.p, c.ks[f.kindex], f.n, +1);
    peer1 += line + "\r\n";
    if (i < 3) peer2 += "  " + line + "\n";
    struck.insert({f.kindex, f.n});
    left.ns[f.kindex].erase(f.n);
  }
  const int applied = static_cast<int>(struck.size());
  const int gone = static_cast<int>(factors.size()) - applied + 3;

  ScratchDir dir;
  write_file(dir / "Zel.dat", example_text());
  write_file(dir / "peer1.txt", peer1);
  write_file(dir / "peer2.txt", peer2);
  RunResult r = run_quorvel({"-a", "peer1.txt", "-a", "peer2.txt"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output,
            e2e::banner + summary(applied, gone, 0, 0, 0, 0) + "Saving Zel.dat... Done.\n");
  EXPECT_EQ(read_file(dir / "Zel.dat"), left.text());
  EXPECT_EQ(listing(dir.path()), "Zel.dat peer1.txt peer2.txt");

  // Applied again: everything is gone already, and the file is not touched.
  r = run_quorvel({"-a", "peer2.txt", "-a", "peer1.txt"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner + summary(0, applied + gone, 0, 0, 0, 0) +
                          "Nothing to strike; nothing was changed.\n");
  EXPECT_EQ(read_file(dir / "Zel.dat"), left.text());
}

TEST(ApplyFactors, PeerFileOnARieselFile) {
  // riesel.dat is found as in a run (no Zel.dat); its numbers are k*2^n-1,
  // so a factor of k*2^n+1 is the wrong form.
  Candidates c;
  c.sign = -1;
  c.nlow = 2000;
  c.nhigh = 2600;
  std::mt19937_64 rng(2718);
  for (const std::int64_t k : {3, 5, 7, 11, 13, 21, 1155, 2147483647}) {
    const std::size_t j = c.add_k(k);
    for (int t = 0; t < 120; ++t) c.add_n(j, c.nlow + rng() % (c.nhigh - c.nlow + 1));
  }
  const std::vector<ref::Factor> factors = ref::factors(c.ks, c.lists(), -1, 5, 3000);
  ASSERT_GE(factors.size(), 50u);
  std::string peer;
  Candidates left = c;
  std::set<std::pair<std::uint32_t, std::uint32_t>> struck;
  for (const ref::Factor& f : factors) {
    peer += ref::factor_line(f.p, c.ks[f.kindex], f.n, -1) + "\n";
    struck.insert({f.kindex, f.n});
    left.ns[f.kindex].erase(f.n);
  }
  peer += factor_of_first(3, c.ns[0], +1) + "\n";  // a listed n, the plus form

  ScratchDir dir;
  write_file(dir / "riesel.dat", c.text());
  write_file(dir / "peer.txt", peer);
  const RunResult r = run_quorvel({"-a", "peer.txt"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  const int applied = static_cast<int>(struck.size());
  EXPECT_EQ(r.output, e2e::banner +
                          summary(applied, static_cast<int>(factors.size()) - applied, 0, 1, 0, 0) +
                          "Saving riesel.dat... Done.\n");
  EXPECT_EQ(read_file(dir / "riesel.dat"), left.text());
  EXPECT_EQ(listing(dir.path()), "peer.txt riesel.dat");
}

TEST(ApplyFactors, EveryKindOfLineAndNothingChangesWhileOneIsFalseOrMalformed) {
  const Candidates c = parse_candidates(example_text(), +1);
  const std::vector<ref::Factor>& factors = example_factors();
  ASSERT_GE(factors.size(), 2u);
  const ref::Factor& a = factors[0];
  const ref::Factor& b = factors[1];
  ASSERT_FALSE(a.kindex == b.kindex && a.n == b.n);
  const std::string good_a = ref::factor_line(a.p, c.ks[a.kindex], a.n, +1);
  const std::string good_b = ref::factor_line(b.p, c.ks[b.kindex], b.n, +1);
  ASSERT_NE(ref::candidate_mod(c.ks[b.kindex], b.n + 2, +1, b.p), 0u);
  const std::string bad = ref::factor_line(b.p, c.ks[b.kindex], b.n + 2, +1);
  const std::string low_n = factor_of_first(3, span_of(19900, 19999), +1);  // below nlow 20000
  const std::string other_k = factor_from(19, 20001, +1);     // k = 19 is not in the file
  const std::string minus = factor_of_first(3, c.ns[0], -1);  // a listed n, k*2^n-1
  const std::string broken = "1000003 | 3*2^20001";
  const std::string mix = "# every kind\n" + good_a + "\n" + good_a + "\n" + low_n + "\n" +
                          other_k + "\n" + minus + "\n" + broken + "\n" + bad + "\n" + good_b +
                          "\n";
  ScratchDir dir;
  write_file(dir / "Zel.dat", example_text());
  write_file(dir / "mix.txt", mix);
  RunResult r = run_quorvel({"-a", "mix.txt"}, dir.path());
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, e2e::banner + "mix.txt:7: malformed line: " + broken +
                          "\nmix.txt:8: false factor: " + bad + "\n" + summary(2, 1, 2, 1, 1, 1) +
                          unchanged_false);
  EXPECT_EQ(read_file(dir / "Zel.dat"), example_text());
  EXPECT_EQ(listing(dir.path()), "Zel.dat mix.txt");

  // A false factor in a second file holds back the good first file too.
  write_file(dir / "good.txt", good_a + "\n");
  write_file(dir / "bad.txt", "\n" + bad + "\n");
  r = run_quorvel({"-a", "good.txt", "-a", "bad.txt"}, dir.path());
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, e2e::banner + "bad.txt:2: false factor: " + bad + "\n" +
                          summary(1, 0, 0, 0, 1, 0) + unchanged_false);
  EXPECT_EQ(read_file(dir / "Zel.dat"), example_text());

  // Without the false and the malformed line the rest is applied.
  const std::string clean = "# every kind\n" + good_a + "\n" + good_a + "\n" + low_n + "\n" +
                            other_k + "\n" + minus + "\n" + good_b + "\n";
  write_file(dir / "mix.txt", clean);
  r = run_quorvel({"-a", "mix.txt"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner + summary(2, 1, 2, 1, 0, 0) + "Saving Zel.dat... Done.\n");
  Candidates left = c;
  left.ns[a.kindex].erase(a.n);
  left.ns[b.kindex].erase(b.n);
  EXPECT_EQ(read_file(dir / "Zel.dat"), left.text());
}

TEST(ApplyFactors, RefusalsLeaveEveryFileAlone) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"-a", "f.txt", "1000000000", "2000000000"},
       "-a applies factor files and sieves nothing: give no p range with it.\n"},
      {{"-a", "f.txt", "-nearmersenne", "3", "9", "abc.txt"},
       "-a works in Proth, Riesel, k-range and k-range twin mode, not near-Mersenne.\n"},
      {{"-a", "f.txt", "-a", "missing.txt"}, "Error: couldn't open 'missing.txt'\n"},
      {{"-a", "f.txt", "-s", "none.dat"},
       "Error: couldn't open 'none.dat'\n"
       "You need a Zel.dat file to run this program. Get it from the Zel forums.\n"},
      {{"-a", "f.txt", "-krange", "1", "9", "1", "2", "plus.txt", "minus.txt"},
       "Error: couldn't open 'minus.txt'\n"},
      {{"-a"}, "Switch -a needs 1 argument: -a <filename>\n"},
  };
  const Candidates c = parse_candidates(example_text(), +1);
  const ref::Factor& f = example_factors().front();
  const std::string good = ref::factor_line(f.p, c.ks[f.kindex], f.n, +1);
  for (const Case& run : cases) {
    ScratchDir dir;
    write_file(dir / "Zel.dat", example_text());
    write_file(dir / "f.txt", good + "\n");
    write_file(dir / "plus.txt", "5:P:0:2:1\n1 1\n");
    write_file(dir / "abc.txt", "ABCD 2^$a-2^$b+1 [0 0]\t//sievedepth: 1\n3 1\n");
    const RunResult r = run_quorvel(run.args, dir.path());
    EXPECT_EQ(r.exit_status, 1) << run.message;
    EXPECT_EQ(r.output, e2e::banner + run.message);
    EXPECT_EQ(listing(dir.path()), "Zel.dat abc.txt f.txt plus.txt") << run.message;
    EXPECT_EQ(read_file(dir / "Zel.dat"), example_text());
    EXPECT_EQ(read_file(dir / "plus.txt"), "5:P:0:2:1\n1 1\n");
  }
}

/// The lines "k nlow" of every odd k of klow..khigh not in `gone`.
std::string krange_lines(std::uint64_t klow, std::uint64_t khigh, std::uint32_t nlow,
                         const std::set<std::uint64_t>& gone) {
  std::string out;
  for (std::uint64_t k = klow; k <= khigh; k += 2)
    if (!gone.count(k)) out += std::to_string(k) + " " + std::to_string(nlow) + "\n";
  return out;
}

TEST(ApplyFactors, KrangeFilesBySignWithTheirDepthAndNewHeaders) {
  // Plus file with the old header and k = 9 already gone, minus file with
  // the new one. Each sign strikes its own side; an even k, a k above the
  // range and an n outside it are outside.
  ScratchDir dir;
  write_file(dir / "plus.txt", "500:M:0:2:2\n" + krange_lines(1, 99, 10, {9}));
  write_file(dir / "minus.txt", "600:M:0:2:2\n" + krange_lines(1, 99, 10, {}));
  const std::vector<std::uint64_t> inside = span_of(10, 20);
  const std::string f = factor_of_first(5, inside, +1) + "\n" + factor_of_first(7, inside, -1) +
                        "\n" + factor_of_first(9, inside, +1) + "\n" +
                        factor_of_first(4, inside, +1) + "\n" + factor_of_first(101, inside, -1) +
                        "\n" + factor_from(11, 21, -1) + "\n";
  write_file(dir / "f.txt", f);
  const std::vector<std::string> krange = {"-krange", "1", "99", "10", "20"};
  std::vector<std::string> args = {"-a", "f.txt"};
  args.insert(args.end(), krange.begin(), krange.end());
  args.push_back("plus.txt");
  args.push_back("minus.txt");
  RunResult r = run_quorvel(args, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner + "Reading minus.txt... Done.\nReading plus.txt... Done.\n" +
                          summary(2, 1, 3, 0, 0, 0) +
                          "Writing minus.txt... Done.\nWriting plus.txt... Done.\n");
  EXPECT_EQ(read_file(dir / "plus.txt"), "500:P:0:2:1\n" + krange_lines(1, 99, 10, {5, 9}));
  EXPECT_EQ(read_file(dir / "minus.txt"), "600:M:0:2:2\n" + krange_lines(1, 99, 10, {7}));

  // The minus side switched off: its factors are the wrong form, and only
  // the plus file is written.
  write_file(dir / "f.txt",
             factor_of_first(13, inside, -1) + "\n" + factor_of_first(15, inside, +1) + "\n");
  args = {"-a", "f.txt"};
  args.insert(args.end(), krange.begin(), krange.end());
  args.push_back("plus.txt");
  args.push_back("0");
  r = run_quorvel(args, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner + "Reading plus.txt... Done.\n" + summary(1, 0, 0, 1, 0, 0) +
                          "Writing plus.txt... Done.\n");
  EXPECT_EQ(read_file(dir / "plus.txt"), "500:P:0:2:1\n" + krange_lines(1, 99, 10, {5, 9, 15}));
  EXPECT_EQ(read_file(dir / "minus.txt"), "600:M:0:2:2\n" + krange_lines(1, 99, 10, {7}));
  EXPECT_EQ(listing(dir.path()), "f.txt minus.txt plus.txt");
}

TEST(ApplyFactors, TwinFileTakesBothSignsAtItsN) {
  // At n = 16: a factor of k*2^16+1 and one of k'*2^16-1 strike k and k';
  // the other sign of k is then already gone; any other n is outside.
  std::vector<std::uint64_t> plus_k, minus_k;
  for (std::uint64_t k = 1; k <= 99; k += 2) {
    if (small_factor(static_cast<std::int64_t>(k), 16, +1) != 0 &&
        small_factor(static_cast<std::int64_t>(k), 16, -1) != 0)
      plus_k.push_back(k);
    else if (small_factor(static_cast<std::int64_t>(k), 16, -1) != 0)
      minus_k.push_back(k);
  }
  ASSERT_FALSE(plus_k.empty());
  ASSERT_FALSE(minus_k.empty());
  const auto a = static_cast<std::int64_t>(plus_k[0]), b = static_cast<std::int64_t>(minus_k[0]);
  const std::vector<std::uint64_t> n16 = {16};
  ScratchDir dir;
  write_file(dir / "twin.txt", "77:M:0:2:2\n" + krange_lines(1, 99, 16, {}));
  write_file(dir / "f.txt", factor_of_first(a, n16, +1) + "\n" + factor_of_first(b, n16, -1) +
                                "\n" + factor_of_first(a, n16, -1) + "\n" +
                                factor_from(35, 17, +1) + "\n");
  const RunResult r =
      run_quorvel({"-krangetwin", "1", "99", "16", "16", "twin.txt", "-a", "f.txt"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner + "Reading twin.txt... Done.\n" + summary(2, 1, 1, 0, 0, 0) +
                          "Writing twin.txt... Done.\n");
  EXPECT_EQ(read_file(dir / "twin.txt"),
            "77:T:0:2:3\n" + krange_lines(1, 99, 16, {plus_k[0], minus_k[0]}));
}

TEST(ApplyFactors, PublishedFactorsOfTheStandardWorkload) {
  // Seven factors published with the shared workloads, as a peer sends them.
  const auto path = source_dir() / ".." / "shared" / "workloads" / "std11.dat";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is missing";
  const std::string lines[] = {
      "1000010591383 | 4847*2^4084503+1",  "1000012999577 | 27653*2^6486189+1",
      "1000024266359 | 55459*2^2480890+1", "1000037884523 | 24737*2^9734743+1",
      "1000049635421 | 4847*2^16058127+1", "1000078572071 | 24737*2^15845287+1",
      "1000081940483 | 22699*2^2653462+1",
  };
  const std::string text = read_file(path);
  Candidates left = parse_candidates(text, +1);
  std::string peer;
  for (const std::string& line : lines) {
    ParsedFactor f;
    ASSERT_TRUE(parse_factor_line(line, f));
    ASSERT_EQ(ref::candidate_mod(f.k, f.n, +1, f.p), 0u) << line;
    for (std::size_t j = 0; j < left.ks.size(); ++j) {
      if (left.ks[j] == f.k) {
        ASSERT_EQ(left.ns[j].erase(f.n), 1u) << line;
      }
    }
    peer += line + "\n";
  }
  ScratchDir dir;
  write_file(dir / "Zel.dat", text);
  write_file(dir / "peer.txt", peer);
  const RunResult r = run_quorvel({"-a", "peer.txt"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner + summary(7, 0, 0, 0, 0, 0) + "Saving Zel.dat... Done.\n");
  EXPECT_TRUE(read_file(dir / "Zel.dat") == left.text());
}

}  // namespace
}  // namespace quorvel::test
