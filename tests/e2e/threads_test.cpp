// Runs with several threads against the same run with one: whatever the
// number of threads, the console, every factor file, the rewritten
// candidate file, the npg export, the status file and the statistics are the
// same byte for byte, save for the rate figures and processor times. The
// candidate files plant factors at primes spread over the range, among them
// the primes on both sides of the edges of the batches the workers take, so
// that reports of neighbouring batches meet in the output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_e2e_util.hpp"
#include "reference/reference.hpp"
#include "search/candidate_files.hpp"
#include "support/test_support.hpp"

namespace quorvel::test {
namespace {

/// Primes per batch of Proth and Riesel mode (the driver's batch size):
/// factors are planted next to multiples of it.
constexpr std::size_t batch_primes = 2048;

/// The rate of every progress line, console "p = P @ Rkp/s..." and status
/// file "pmin=P @ R kp/s...", replaced by "#", and the estimated end masked;
/// the warning of a thread count above the number of processors (which
/// depends on the machine) left out.
std::string mask_progress_rates(const std::string& text) {
  std::string out;
  for (const std::string& line : split_lines(text)) {
    if (line.rfind("Warning: ", 0) == 0 && line.find(" threads on ") != std::string::npos) continue;
    std::string l = e2e::mask_eta(line);
    const std::size_t at = l.find(" @ ");
    const bool progress = l.rfind("p = ", 0) == 0 || l.rfind("pmin=", 0) == 0;
    if (progress && at != std::string::npos) {
      std::size_t end = at + 3;
      while (end < l.size() && (std::isdigit(static_cast<unsigned char>(l[end])) || l[end] == '?'))
        ++end;
      l = l.substr(0, at + 3) + "#" + l.substr(end);
    }
    out += l + "\n";
  }
  return out;
}

/// Everything a run leaves that must not depend on the thread count.
struct Outcome {
  int status = -1;
  std::string console, fact, excl, range, cand, npg, stat, zelstatus;
};

Outcome run_with(const std::string& cand_name, const std::string& cand_text,
                 const std::string& status_name, std::vector<std::string> args, unsigned threads,
                 const std::string& next_ranges = "") {
  ScratchDir dir;
  write_file(dir / cand_name, cand_text);
  if (!next_ranges.empty()) write_file(dir / "nextrange.txt", next_ranges);
  args.insert(args.begin(), {"-t", std::to_string(threads)});
  const RunResult r = run_quorvel(args, dir.path());
  Outcome o;
  o.status = r.exit_status;
  o.console = mask_progress_rates(e2e::mask_varying(r.output));
  o.fact = read_file(dir / "fact.txt");
  o.excl = read_file(dir / "factexcl.txt");
  o.range = read_file(dir / "factrange.txt");
  o.cand = read_file(dir / cand_name);
  o.npg = read_file(dir / "out.npg");
  o.stat = e2e::mask_varying(read_file(dir / "stat.txt"));
  o.zelstatus = mask_progress_rates(read_file(dir / status_name));
  return o;
}

void expect_same(const Outcome& one, const Outcome& many, unsigned threads) {
  SCOPED_TRACE("threads=" + std::to_string(threads));
  EXPECT_EQ(many.status, one.status);
  EXPECT_EQ(many.console, one.console);
  EXPECT_EQ(many.fact, one.fact);
  EXPECT_EQ(many.excl, one.excl);
  EXPECT_EQ(many.range, one.range);
  EXPECT_EQ(many.cand, one.cand);
  EXPECT_EQ(many.npg, one.npg);
  EXPECT_EQ(many.stat, one.stat);
  EXPECT_EQ(many.zelstatus, one.zelstatus);
}

/// A candidate file with factors planted at primes spread over [pmin, pmax]
/// and at the primes next to the batch edges, plus n of every k that the
/// range's primes do not divide; some planted n lie outside [nlow, nhigh],
/// so that the outside-range file gets lines too.
Candidates planted_candidates(int sign, std::uint64_t pmin, std::uint64_t pmax) {
  Candidates c;
  c.sign = sign;
  c.nlow = 2000;
  c.nhigh = 60000;
  const std::vector<std::uint64_t> primes = ref::primes_between(pmin + 1, pmax);
  std::vector<std::size_t> at;
  for (std::size_t edge = batch_primes; edge + 1 < primes.size(); edge += 7 * batch_primes) {
    at.push_back(edge - 1);
    at.push_back(edge);
  }
  for (std::size_t i = 0; i < primes.size(); i += primes.size() / 23) at.push_back(i);
  for (std::size_t i : at) plant_by_k(c, primes[i], c.nlow, c.nhigh, 2147483647, 2);
  for (std::size_t j = 0; j < c.ks.size(); ++j)
    for (std::uint32_t n = c.nlow + 1 + static_cast<std::uint32_t>(j); n < c.nhigh; n += 997)
      c.add_n(j, n);
  return c;
}

TEST(Threads, ProthAndRieselRunsMatchOneThreadByteForByte) {
  const std::uint64_t pmin = 1000000000, pmax = 1003000000;
  for (const int sign : {+1, -1}) {
    const Candidates c = planted_candidates(sign, pmin, pmax);
    ASSERT_GE(c.ks.size(), 30u);
    const std::string name = sign > 0 ? "Zel.dat" : "riesel.dat";
    const std::string status = sign > 0 ? "ZelStatus.dat" : "RieselStatus.dat";
    const std::vector<std::string> args = {
        "-u", "-npg", "out.npg", "-i", "150000", std::to_string(pmin), std::to_string(pmax)};
    const Outcome one = run_with(name, c.text(), status, args, 1);
    ASSERT_EQ(one.status, 0) << one.console;
    // The run found the planted factors, so the comparison has content.
    ASSERT_GE(split_lines(one.fact).size(), 30u);
    ASSERT_NE(one.cand, c.text());
    for (const unsigned threads : {2u, 3u})
      expect_same(one, run_with(name, c.text(), status, args, threads), threads);
  }
}

TEST(Threads, RangesFromTheQueueMatchOneThread) {
  // The first range, then two more from nextrange.txt: the status file is
  // rewritten per range and the statistics get a block each.
  const std::uint64_t pmin = 1000000000, pmax = 1000400000;
  const Candidates c = planted_candidates(+1, pmin, 1001200000);
  const std::string queue = "pmin=1000400000\npmax=1000800000\npmin=1000800000\npmax=1001200000\n";
  const std::vector<std::string> args = {"-u", "-i", "100000", std::to_string(pmin),
                                         std::to_string(pmax)};
  const Outcome one = run_with("Zel.dat", c.text(), "ZelStatus.dat", args, 1, queue);
  ASSERT_EQ(one.status, 0) << one.console;
  ASSERT_GE(split_lines(one.fact).size(), 10u);
  ASSERT_NE(one.stat.find("1001200000"), std::string::npos);
  expect_same(one, run_with("Zel.dat", c.text(), "ZelStatus.dat", args, 2, queue), 2);
}

TEST(Threads, ThreadCountSwitchIsChecked) {
  ScratchDir dir;
  for (const std::string bad : {"0", "-1", "x", "2x", "", "1025", "99999999999"}) {
    const RunResult r = run_quorvel({"-t", bad, "1000000000", "1000001000"}, dir.path());
    EXPECT_EQ(r.exit_status, 1) << bad;
    EXPECT_EQ(r.output,
              e2e::banner + "Bad thread count: " + bad + ". Give a whole number from 1 to 1024.\n")
        << bad;
  }
  const RunResult missing = run_quorvel({"-t"}, dir.path());
  EXPECT_EQ(missing.exit_status, 1);
  EXPECT_EQ(missing.output, e2e::banner + "Switch -t needs 1 argument: -t <threads>\n");
}

}  // namespace
}  // namespace quorvel::test
