// Whole runs with -x on a controlled clock, in this process: the driver
// runs as the program does, but every reading of the clocks comes from the
// test (five minutes of wall time and of processor time per reading), so
// where the range stops follows from the factors alone. The factors are
// planted at primes just after the first save points of the range; the
// runs leave out duplicates (-d: with -u written at the stop, the continued
// run analyses a shorter candidate file and walks other residue classes,
// so it meets other duplicates); the
// expected stop comes from a plain model of the rule. A stopped run is then
// continued and must leave the same files as a run that was never stopped;
// with two threads everything is the same as with one. The built program
// shows the end of a run after a stop (-x 0 stops at the first save).
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "driver/driver_test_util.hpp"
#include "driver/run_driver.hpp"
#include "driver_e2e_util.hpp"
#include "reference/reference.hpp"
#include "search/candidate_files.hpp"
#include "support/test_support.hpp"

namespace quorvel::test {
namespace {

constexpr std::uint64_t pmin = 1000000000, pmax = 1003000000, interval = 100000;
constexpr double step_seconds = 300;  // per reading of the clock
constexpr std::uint64_t limit = 600;  // -x
constexpr int window_readings = 6;    // 1800 s of wall time

const std::vector<std::uint64_t>& primes() {
  static const std::vector<std::uint64_t> all = ref::primes_between(pmin + 1, pmax);
  return all;
}

const std::vector<std::uint64_t>& saves() {
  static const std::vector<std::uint64_t> s = e2e::save_points(primes(), pmin, interval);
  return s;
}

/// Two factors in each of the first twelve save intervals, at the primes
/// right after a save point (never at a save point itself, so a continued
/// run, which handles the prime of its last save again, finds none twice),
/// and further n of every k that the range does not touch.
const Candidates& candidates() {
  static const Candidates c = [] {
    Candidates c;
    c.sign = +1;
    c.nlow = 2000;
    c.nhigh = 60000;
    for (std::size_t s = 0; s < 12; ++s) {
      const auto at = std::upper_bound(primes().begin(), primes().end(), saves()[s]);
      plant_by_k(c, at[0], c.nlow, c.nhigh, 2147483647, 1);
      plant_by_k(c, at[1], c.nlow, c.nhigh, 2147483647, 1);
    }
    for (std::size_t j = 0; j < c.ks.size(); ++j)
      for (std::uint32_t n = c.nlow + 3 + static_cast<std::uint32_t>(j); n < c.nhigh; n += 9973)
        c.add_n(j, n);
    return c;
  }();
  return c;
}

/// The factors of the range from the brute-force reference, once.
const std::vector<ref::Factor>& all_factors() {
  static const std::vector<ref::Factor> all = [] {
    const Candidates& c = candidates();
    return ref::factors(c.ks, c.lists(), c.sign, pmin, pmax);
  }();
  return all;
}

/// The factors at lo < p <= hi.
std::vector<ref::Factor> factors_between(std::uint64_t lo, std::uint64_t hi) {
  std::vector<ref::Factor> out;
  for (const ref::Factor& f : all_factors())
    if (f.p > lo && f.p <= hi) out.push_back(f);
  return out;
}

/// The save at which the rule stops the range: reading i of the clock (0 at
/// the start of the range, then one per save) is at i steps; the window over
/// reading i starts at reading i-6 (or 0); the range stops at the first save
/// whose window holds more than `limit` processor seconds per factor (per 1
/// when it holds none). Returns the index into saves().
std::size_t model_stop() {
  std::vector<std::uint64_t> found = {0};  // new factors up to each reading
  for (std::uint64_t p : saves()) found.push_back(factors_between(pmin, p).size());
  for (std::size_t i = 1; i < found.size(); ++i) {
    const std::size_t from = i >= window_readings ? i - window_readings : 0;
    const double cpu = step_seconds * static_cast<double>(i - from);
    const std::uint64_t f = found[i] - found[from];
    if (cpu > static_cast<double>(limit) * static_cast<double>(std::max<std::uint64_t>(f, 1)))
      return i - 1;
  }
  return saves().size();
}

/// Rates and processor times (they follow the real clock or an earlier run
/// in this process) and the estimated end masked.
std::string masked(const std::string& text) {
  std::string out;
  for (const std::string& line : split_lines(e2e::mask_varying(text))) {
    std::string l = line;
    const std::size_t at = l.find(" @ ");
    if ((l.rfind("p = ", 0) == 0 || l.rfind("pmin=", 0) == 0) && at != std::string::npos) {
      std::size_t end = at + 3;
      while (end < l.size() && (std::isdigit(static_cast<unsigned char>(l[end])) || l[end] == '?'))
        ++end;
      l = l.substr(0, at + 3) + "#" + l.substr(end);
    }
    out += l + "\n";
  }
  return out;
}

struct Outcome {
  int status = -1;
  std::string console, fact, excl, range, cand, zelstatus, stat;
};

/// Runs the driver in `dir` with the controlled clock; the files as it left them.
Outcome run_here(const InScratchDir& dir, const std::vector<std::string>& args) {
  platform_hooks hooks;
  int readings = 0;
  hooks.clock = [&readings] {
    const double t = step_seconds * readings++;
    return clock_reading{t, 1796817600 + static_cast<std::time_t>(t), t};
  };
  hooks.sleep_seconds = [](unsigned) { FAIL() << "no wait expected"; };
  std::istringstream in;
  std::ostringstream out;
  Outcome o;
  o.status = run_driver(args, in, out, hooks);
  o.console = out.str();
  o.fact = dir.get("fact.txt");
  o.excl = dir.get("factexcl.txt");
  o.range = dir.get("factrange.txt");
  o.cand = dir.get("Zel.dat");
  o.zelstatus = dir.get("ZelStatus.dat");
  o.stat = dir.get("stat.txt");
  return o;
}

std::string fact_lines(const std::vector<ref::Factor>& factors) {
  std::string out;
  for (const ref::Factor& f : factors)
    out += ref::factor_line(f.p, candidates().ks[f.kindex], f.n, +1) + "\n";
  return out;
}

/// The candidate file without the n of the factors given.
std::string without(const std::vector<ref::Factor>& factors) {
  Candidates left = candidates();
  for (const ref::Factor& f : factors) left.ns[f.kindex].erase(f.n);
  return left.text();
}

const std::vector<std::string> range_args = {
    "-d", "-u", "-i", std::to_string(interval), std::to_string(pmin), std::to_string(pmax)};

std::vector<std::string> with(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST(StopRun, StopsWhereTheRuleSaysAndAContinuedRunEndsAsAnUnstoppedOne) {
  const std::size_t stop = model_stop();
  ASSERT_GT(stop, 12u);                 // after the factors ...
  ASSERT_LT(stop + 3, saves().size());  // ... and well before the end of the range
  const std::uint64_t p_stop = saves()[stop];
  const std::vector<ref::Factor> all = factors_between(pmin, pmax);
  const std::vector<ref::Factor> before = factors_between(pmin, p_stop);
  ASSERT_EQ(all.size(), before.size());  // every factor lies before the stop
  ASSERT_GE(all.size(), 24u);
  for (std::size_t i = 1; i < all.size(); ++i) ASSERT_NE(all[i].p, all[i - 1].p);
  for (const ref::Factor& f : all)
    ASSERT_FALSE(std::binary_search(saves().begin(), saves().end(), f.p));

  Outcome whole;
  {
    InScratchDir dir;
    dir.put("Zel.dat", candidates().text());
    whole = run_here(dir, range_args);
    ASSERT_EQ(whole.status, 0) << whole.console;
  }
  for (const unsigned threads : {1u, 2u}) {
    SCOPED_TRACE("threads=" + std::to_string(threads));
    InScratchDir dir;
    dir.put("Zel.dat", candidates().text());
    dir.put("nextrange.txt", "pmin=1003000000\npmax=1004000000\n");
    const Outcome stopped = run_here(
        dir, with({"-t", std::to_string(threads), "-x", std::to_string(limit)}, range_args));
    EXPECT_EQ(stopped.status, 0);

    // The progress lines up to the stop, the stop line in place of "Done",
    // the candidate file written as at the end of a range, the statistics,
    // and no range from the queue.
    const std::size_t in_window = factors_between(saves()[stop - window_readings], p_stop).size();
    const std::string stop_line =
        "Stopped at p=" + std::to_string(p_stop) + ": " + std::to_string(in_window) +
        (in_window == 1 ? " factor" : " factors") +
        " in 1800.0 processor seconds over the last 30.0 minutes, more than 600 s per factor.";
    std::string progress, status_lines;
    for (std::size_t s = 0; s <= stop; ++s) {
      progress += "p = " + std::to_string(saves()[s]) + " @ #kp/s" +
                  e2e::done_part(saves()[s], pmin, pmax) + "\n";
      status_lines += "pmin=" + std::to_string(saves()[s]) + " @ # kp/s\n";
    }
    std::string console_lines;
    for (const std::string& line : split_lines(masked(stopped.console)))
      if (line.rfind("Warning: ", 0) != 0) console_lines += line + "\n";
    EXPECT_EQ(console_lines,
              e2e::banner + e2e::mode_lines("Proth") + "Initializing... Done.\n" +
                  "Sieving 1000000000 <= p <= 1003000000, 2000 <= n <= 60000\n" + progress +
                  stop_line + "\nSaving Zel.dat... Done.\n" +
                  e2e::stats_block(pmin, pmax, 0, 0, false) +
                  "\nRange stopped by -x: no new range is taken from nextrange.txt. Exiting.\n");
    EXPECT_EQ(stopped.fact, fact_lines(before));
    EXPECT_EQ(stopped.cand, without(before));
    EXPECT_EQ(masked(stopped.zelstatus),
              "pmax=1003000000\npmin=1000000000\n" + status_lines + stop_line + "\n");
    EXPECT_EQ(dir.get("nextrange.txt"), "pmin=1003000000\npmax=1004000000\n");
    // stat.txt: the block of the stopped range, then why it stopped.
    const std::string stat = e2e::mask_varying(stopped.stat, true);
    EXPECT_EQ(stat.substr(0, stat.find("# Tested p")),
              "\nStatistics:\npmin        : 1000000000\npmax        : 1003000000\n");
    EXPECT_NE(stat.find("# Tested p  : " +
                        std::to_string(std::upper_bound(primes().begin(), primes().end(), p_stop) -
                                       primes().begin()) +
                        "\n"),
              std::string::npos)
        << stat;
    EXPECT_EQ(stat.substr(stat.find("Total time")),
              "Total time: # ms.\n#kp/s.\n" + stop_line + "\n");

    // Continued without -x: the range is finished from the stop, and the
    // result files are those of the run that was never stopped.
    dir.put("nextrange.txt", "");
    const Outcome continued = run_here(dir, {"-d", "-u", "-i", std::to_string(interval)});
    EXPECT_EQ(continued.status, 0);
    EXPECT_NE(continued.console.find(
                  "Found ZelStatus.dat with unfinished work. Continuing from last save point.\n"),
              std::string::npos);
    EXPECT_EQ(continued.fact, whole.fact);
    EXPECT_EQ(continued.excl, whole.excl);
    EXPECT_EQ(continued.range, whole.range);
    EXPECT_EQ(continued.cand, whole.cand);
    EXPECT_EQ(continued.cand, without(all));
    // The status file: the stopped part, the stop line, then the rest with
    // the save points of the unstopped run.
    const std::string whole_status = masked(whole.zelstatus);
    const std::string cut = "pmin=" + std::to_string(p_stop) + " @ # kp/s\n";
    const std::size_t at = whole_status.find(cut) + cut.size();
    EXPECT_EQ(masked(continued.zelstatus),
              whole_status.substr(0, at) + stop_line + "\n" + whole_status.substr(at));
    // The continued range's progress counts from where the range began.
    EXPECT_NE(continued.console.find("p = " + std::to_string(saves()[stop + 1]) + " @ "),
              std::string::npos);
    EXPECT_NE(masked(continued.console)
                  .find("p = " + std::to_string(saves()[stop + 1]) + " @ #kp/s" +
                        e2e::done_part(saves()[stop + 1], pmin, pmax) + "\n"),
              std::string::npos)
        << continued.console;
  }
}

/// The figures of a stop line (real processor time) replaced by "#".
std::string mask_stop_line(const std::string& text) {
  std::string out;
  for (const std::string& line : split_lines(text)) {
    const std::size_t colon = line.find(": ");
    out += (line.rfind("Stopped at p=", 0) == 0 && colon != std::string::npos
                ? line.substr(0, colon + 2) + "#"
                : line) +
           "\n";
  }
  return out;
}

TEST(StopRun, AStopEndsTheRunAlsoWithAQueueAndWaiting) {
  // The built program: -x 0 stops at the first save (any processor time is
  // more than 0 per factor), with one thread and with two alike; the queue
  // stays as it was, and -w does not wait.
  const std::string first_save = std::to_string(saves()[0]);
  for (const unsigned threads : {1u, 2u}) {
    SCOPED_TRACE("threads=" + std::to_string(threads));
    ScratchDir dir;
    write_file(dir / "Zel.dat", candidates().text());
    write_file(dir / "nextrange.txt", "pmin=1003000000\npmax=1004000000\n");
    const RunResult r =
        run_quorvel({"-d", "-t", std::to_string(threads), "-w", "-x", "0", "-i",
                     std::to_string(interval), std::to_string(pmin), std::to_string(pmax)},
                    dir.path(), "", 60);
    EXPECT_EQ(r.exit_status, 0);
    std::string console;
    for (const std::string& line : split_lines(mask_stop_line(masked(r.output))))
      if (line.rfind("Warning: ", 0) != 0) console += line + "\n";
    const std::string stop_line = "Stopped at p=" + first_save + ": #\n";
    EXPECT_EQ(console, e2e::banner + e2e::mode_lines("Proth") + "Initializing... Done.\n" +
                           "Sieving 1000000000 <= p <= 1003000000, 2000 <= n <= 60000\n" + "p = " +
                           first_save + " @ #kp/s" + e2e::done_part(saves()[0], pmin, pmax) + "\n" +
                           stop_line + e2e::stats_block(pmin, pmax, 0, 0, false) +
                           "\nRange stopped by -x: no new range is taken from nextrange.txt. "
                           "Exiting.\n");
    EXPECT_EQ(read_file(dir / "nextrange.txt"), "pmin=1003000000\npmax=1004000000\n");
    EXPECT_EQ(mask_stop_line(masked(read_file(dir / "ZelStatus.dat"))),
              "pmax=1003000000\npmin=1000000000\npmin=" + first_save + " @ # kp/s\n" + stop_line);
    EXPECT_EQ(mask_stop_line(e2e::mask_varying(read_file(dir / "stat.txt"), true)),
              e2e::stats_block(pmin, pmax,
                               static_cast<std::uint64_t>(
                                   std::upper_bound(primes().begin(), primes().end(), saves()[0]) -
                                   primes().begin()),
                               candidates().ks.size(), true, "#", "#") +
                  stop_line);
  }
}

}  // namespace
}  // namespace quorvel::test
