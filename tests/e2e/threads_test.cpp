// Runs with several threads against the same run with one: whatever the
// number of threads, the console, every factor file, the rewritten
// candidate file, the npg export, the status file and the statistics are the
// same byte for byte, save for the rate figures and processor times. The
// candidate files plant factors at primes spread over the range, among them
// the primes on both sides of the edges of the batches the workers take, so
// that reports of neighbouring batches meet in the output. The k-range, twin
// and near-Mersenne runs cross many blocks and progress saves.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
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

/// Every file a run of the k-range, twin or near-Mersenne mode leaves (the
/// statistics masked, the BOINC library's own files left out), by name, and
/// its console; `files` are written into
/// the directory first.
std::map<std::string, std::string> run_mode_with(
    std::vector<std::string> args, unsigned threads,
    const std::map<std::string, std::string>& files = {}) {
  ScratchDir dir;
  for (const auto& [name, text] : files) write_file(dir / name, text);
  args.insert(args.begin(), {"-t", std::to_string(threads)});
  const RunResult r = run_quorvel(args, dir.path());
  std::map<std::string, std::string> out;
  out["exit status"] = std::to_string(r.exit_status);
  out["console"] = mask_progress_rates(e2e::mask_varying(r.output));
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename().string();
    // The BOINC build's platform library logs with times and process ids.
    if (name == "stderr.txt" || name.rfind("boinc_", 0) == 0) continue;
    const std::string text = read_file(entry.path());
    out[name] = name == "stat.txt" ? e2e::mask_varying(text) : mask_progress_rates(text);
  }
  return out;
}

/// Runs `args` on 1, 2 and 3 threads; the runs must leave the same console
/// and files. Returns the one-thread outcome.
std::map<std::string, std::string> expect_mode_same(
    const std::vector<std::string>& args, const std::map<std::string, std::string>& files = {}) {
  const auto one = run_mode_with(args, 1, files);
  EXPECT_EQ(one.at("exit status"), "0") << one.at("console");
  for (const unsigned threads : {2u, 3u}) {
    const auto many = run_mode_with(args, threads, files);
    EXPECT_EQ(many.size(), one.size());
    for (const auto& [name, text] : one) {
      EXPECT_EQ(many.count(name) ? many.at(name) : "(no such file)", text) << name << " with " << threads << " threads";
    }
  }
  return one;
}

/// The number of lines of `text` that contain `what`.
std::size_t count_lines_with(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (const std::string& line : split_lines(text)) count += line.find(what) != std::string::npos;
  return count;
}

TEST(Threads, KrangeRunsMatchOneThreadByteForByte) {
  // Primes below khigh walk the bitmaps, those above it report; about a
  // hundred blocks and ten progress saves.
  const auto one = expect_mode_same({"-krange", "1", "400001", "1000", "1001", "p.txt", "m.txt",
                                     "-i", "1000000", "0", "10000000"});
  EXPECT_GE(count_lines_with(one.at("console"), "*2^1000-1"), 5u);
  EXPECT_GE(count_lines_with(one.at("console"), "*2^1001+1"), 5u);
  EXPECT_GE(split_lines(one.at("m.txt")).size(), 100u);
  EXPECT_GE(split_lines(one.at("p.txt")).size(), 100u);
}

TEST(Threads, KrangeTwinRunsContinuingAFileMatchOneThread) {
  // A first range from scratch, then a second one continuing its file, with
  // the queue in nextrange.txt.
  const std::vector<std::string> args = {"-krangetwin", "1", "400001", "1000", "1000",
                                         "tw.txt",      "-i", "1000000", "0", "4000000"};
  const auto first = expect_mode_same(args);
  ASSERT_TRUE(first.count("tw.txt"));
  ASSERT_EQ(first.at("tw.txt").rfind("4000000:T:0:2:3\n", 0), 0u);
  const auto second = expect_mode_same(
      args, {{"tw.txt", first.at("tw.txt")}, {"nextrange.txt", "pmin=4000000\npmax=9000000\n"}});
  EXPECT_GE(count_lines_with(second.at("console"), "*2^1000"), 20u);
  EXPECT_NE(second.at("tw.txt"), first.at("tw.txt"));
  EXPECT_EQ(second.at("tw.txt").rfind("9000000:T:0:2:3\n", 0), 0u);
}

TEST(Threads, NearMersenneRunsMatchOneThreadByteForByte) {
  const auto one =
      expect_mode_same({"-nearmersenne", "3", "300", "abc.txt", "-i", "300000", "0", "1800000"});
  EXPECT_GE(count_lines_with(one.at("console"), "trying p: "), 1000u);
  EXPECT_GE(split_lines(one.at("abc.txt")).size(), 100u);
}

TEST(Threads, ModesAcrossThePointWhereTheWorkersSieveTheirOwnPrimes) {
  // From 2^30 on (here) a worker sieves whole intervals of p itself: ranges
  // from below that point to several intervals above it, and one that
  // starts above it, with progress saves inside the intervals.
  const std::string below = "1073000000", across = "1092000000";
  const auto krange = expect_mode_same({"-krange", "1", "20001", "1000", "1009", "p.txt", "m.txt",
                                        "-i", "3000000", below, across});
  EXPECT_GE(count_lines_with(krange.at("console"), "*2^100"), 5u);
  const auto twin = expect_mode_same(
      {"-krangetwin", "1", "40001", "1000", "1000", "tw.txt", "-i", "4000000", below, across});
  EXPECT_GE(count_lines_with(twin.at("console"), "*2^1000"), 5u);
  const auto high = expect_mode_same({"-krangetwin", "1", "40001", "1000", "1000", "tw.txt", "-i",
                                      "4000000", "1200000000", "1218000000"});
  EXPECT_GE(count_lines_with(high.at("console"), "p = "), 3u);
  const auto nm = expect_mode_same(
      {"-nearmersenne", "3", "300", "abc.txt", "-i", "2000000", below, "1082000000"});
  EXPECT_GE(count_lines_with(nm.at("console"), "trying p: "), 30000u);
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
