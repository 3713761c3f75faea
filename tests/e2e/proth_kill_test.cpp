// A Proth run killed with SIGKILL at random moments and restarted with no
// range on the command line (so it resumes from its status file) must end
// with every factor of the range in fact.txt; factors of primes after the
// last progress save may come twice. With -u the candidate file must never be
// left damaged or half-written: after every kill it is the original file or
// a complete file that the last finished range wrote; and the file written
// at the end is byte for byte the one an uninterrupted run writes (each
// resumed run strikes the factors found before its stop again). The moments
// are drawn from a fixed seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "reference/reference.hpp"
#include "search/candidate_files.hpp"
#include "support/test_support.hpp"

namespace quorvel::test {
namespace {

using Clock = std::chrono::steady_clock;

/// The n of every k of a candidate file written by the program or the test,
/// or an empty map when the text is not a complete file of that form.
std::map<std::int64_t, std::set<std::uint32_t>> parse_candidates(const std::string& text) {
  std::map<std::int64_t, std::set<std::uint32_t>> out;
  const std::vector<std::string> lines = split_lines(text);
  if (text.empty() || text.back() != '\n' || lines.size() < 3) return {};
  const std::size_t num_k = std::stoul(lines[0]);
  std::int64_t k = 0;
  std::uint32_t prev = 0;
  bool have_k = false;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    const std::string& l = lines[i];
    if (l.rfind("k=", 0) == 0) {
      k = std::stoll(l.substr(2));
      out[k];
      prev = 0;
      have_k = true;
    } else if (!have_k || l.empty()) {
      return {};
    } else {
      const std::uint32_t n = l[0] == '+'
                                  ? prev + static_cast<std::uint32_t>(std::stoul(l.substr(1)))
                                  : static_cast<std::uint32_t>(std::stoul(l));
      out[k].insert(n);
      prev = n;
    }
  }
  if (out.size() != num_k) return {};
  return out;
}

/// Kills and resumes a run on `threads` threads until its range is done.
void kill_and_resume(unsigned threads) {
  const std::string t = std::to_string(threads);
  const std::uint64_t pmin = 1000000000, pmax = 1002000000;
  Candidates c;
  c.sign = +1;
  c.nlow = 1000;
  c.nhigh = 200000;
  const auto primes = ref::primes_between(pmin, pmax);
  std::mt19937_64 rng(4242);
  for (std::size_t i = 0; i < primes.size() && c.ks.size() < 40; i += primes.size() / 41)
    plant_by_k(c, primes[i], c.nlow, c.nhigh, 2147483647, 1);
  for (std::size_t j = 0; j < c.ks.size(); ++j)
    for (int t = 0; t < 5; ++t) c.add_n(j, c.nlow + rng() % (c.nhigh - c.nlow));
  const std::string original = c.text();
  const auto expected = ref::factors(c.ks, c.lists(), c.sign, pmin, pmax);
  ASSERT_GE(expected.size(), 20u);

  // An uninterrupted run, for its duration and its final candidate file.
  const std::vector<std::string> first_args = {"-t",
                                               t,
                                               "-p",
                                               "2",
                                               "-u",
                                               "-f",
                                               "-i",
                                               "20000",
                                               "-s",
                                               "cand.dat",
                                               std::to_string(pmin),
                                               std::to_string(pmax)};
  const std::vector<std::string> resume_args = {"-t", t,       "-p", "2",       "-u",
                                                "-i", "20000", "-s", "cand.dat"};
  std::string complete;
  std::chrono::microseconds duration;
  {
    ScratchDir dir;
    write_file(dir / "cand.dat", original);
    const auto started = Clock::now();
    ASSERT_EQ(run_quorvel(first_args, dir.path()).exit_status, 0);
    duration = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
    complete = read_file(dir / "cand.dat");
  }
  const auto original_lists = parse_candidates(original);
  ASSERT_FALSE(original_lists.empty());

  // Random moments within the first eighth of a full run's time, so that
  // nearly every resumed run is killed too. Should a resumed run still
  // finish before three kills were made (the uninterrupted run was slowed by
  // other work on the machine, or a fixed cost at start or exit inflated its
  // time), the whole sequence starts over with moments half as late.
  std::optional<ScratchDir> dir;
  int kills = 0;
  bool done = false;
  for (int attempt = 0; attempt < 6 && kills <= 3; ++attempt) {
    dir.emplace();
    write_file(*dir / "cand.dat", original);
    const std::int64_t window = duration.count() / (8 << attempt) + 1;
    kills = 0;
    done = false;
    for (int round = 0; round < 40 && !done; ++round) {
      const std::vector<std::string>& args = round == 0 ? first_args : resume_args;
      const auto delay = std::chrono::microseconds(static_cast<std::int64_t>(rng() % window));
      const bool killed = round < 8 && run_and_kill(args, dir->path(), {delay, ""});
      if (!killed && round >= 8) {
        ASSERT_EQ(run_quorvel(args, dir->path()).exit_status, 0);
      }
      kills += killed;
      const std::string cand = read_file(*dir / "cand.dat");
      // The candidate file is the original or a complete file whose every n
      // comes from the original.
      if (cand != original) {
        const auto lists = parse_candidates(cand);
        ASSERT_FALSE(lists.empty()) << "round " << round << ": damaged candidate file";
        for (const auto& [k, ns] : lists) {
          ASSERT_TRUE(original_lists.count(k)) << k;
          for (std::uint32_t n : ns) ASSERT_TRUE(original_lists.at(k).count(n)) << k << " " << n;
        }
      }
      const std::string status = read_file(*dir / "ZelStatus.dat");
      done = status.size() >= 5 && status.compare(status.size() - 5, 5, "Done\n") == 0;
    }
    ASSERT_TRUE(done);
  }
  EXPECT_GT(kills, 3);
  EXPECT_EQ(read_file(*dir / "cand.dat"), complete);

  // Every factor of the range is in fact.txt, every line is a true factor,
  // and none comes more often than once per run.
  std::map<std::string, int> seen;
  for (const std::string& line : split_lines(read_file(*dir / "fact.txt"))) {
    ParsedFactor f;
    ASSERT_TRUE(parse_factor_line(line, f)) << line;
    EXPECT_EQ(ref::candidate_mod(f.k, f.n, +1, f.p), 0u) << line;
    ++seen[line];
  }
  for (const ref::Factor& f : expected) {
    const std::string line = ref::factor_line(f.p, c.ks[f.kindex], f.n, +1);
    EXPECT_GE(seen[line], 1) << "lost: " << line;
    EXPECT_LE(seen[line], kills + 1) << line;
  }
  EXPECT_EQ(seen.size(), expected.size());
}

TEST(ProthKill, ResumesWithoutLosingAFactorAndKeepsTheCandidateFileWhole) { kill_and_resume(1); }

TEST(ProthKill, WithThreadsResumesWithoutLosingAFactor) { kill_and_resume(3); }

}  // namespace
}  // namespace quorvel::test
