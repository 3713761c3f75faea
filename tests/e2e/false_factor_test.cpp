// A false factor end to end, through a test build of the program whose
// factor check refuses every factor of one chosen prime (see
// refusing_factor_check.cpp): the run stops there with one line and status
// 1, nothing is written or struck for that prime, every earlier factor is in
// fact.txt, and the status file lets the real program resume with that very
// prime, so that the range ends as an uninterrupted run ends it; with one
// thread and with several. Expected factors come from the brute-force
// reference.
#include <gtest/gtest.h>

#include <random>

#include "driver_e2e_util.hpp"
#include "reference/reference.hpp"
#include "search/candidate_files.hpp"

namespace quorvel::test {
namespace {

const std::string refusing_bin = QUORVEL_REFUSING_BIN;

/// The console without the warning of more threads than processors (which
/// depends on the machine).
std::string without_thread_warning(const std::string& text) {
  std::string out;
  for (const std::string& line : split_lines(text))
    if (line.rfind("Warning: ", 0) != 0 || line.find(" threads on ") == std::string::npos)
      out += line + "\n";
  return out;
}

TEST(FalseFactor, StopsTheRunWithNothingWrittenAndTheResumeRedoesThePrime) {
  const std::uint64_t pmin = 1000000000, pmax = 1001000000, interval = 100000;
  Candidates c;
  c.sign = +1;
  c.nlow = 1000;
  c.nhigh = 100000;
  const std::vector<std::uint64_t> primes = ref::primes_between(pmin, pmax);
  for (const std::size_t i : {1000, 12000, 25000, 40000})
    ASSERT_EQ(plant_by_k(c, primes[i], c.nlow, c.nhigh, 2147483647, 1), 1);
  std::mt19937_64 rng(31337);
  for (std::size_t j = 0; j < c.ks.size(); ++j)
    for (int t = 0; t < 20; ++t) c.add_n(j, c.nlow + rng() % (c.nhigh - c.nlow));
  const std::vector<ref::Factor> factors = ref::factors(c.ks, c.lists(), +1, pmin, pmax);
  ASSERT_GE(factors.size(), 3u);
  for (std::size_t i = 1; i < factors.size(); ++i) ASSERT_LT(factors[i - 1].p, factors[i].p);
  const std::uint64_t refused = factors[1].p;
  const auto line_of = [&](const ref::Factor& f) {
    return ref::factor_line(f.p, c.ks[f.kindex], f.n, +1) + "\n";
  };

  // The console and status file of the run up to the refused prime.
  std::string progress, status = "pmax=1001000000\npmin=1000000000\n";
  std::size_t next = 0;
  for (const std::uint64_t save : e2e::save_points(primes, pmin, interval)) {
    if (save >= refused) break;
    for (; factors[next].p < save; ++next) progress += line_of(factors[next]);
    progress +=
        "p = " + std::to_string(save) + " @ ???kp/s" + e2e::done_part(save, pmin, pmax) + "\n";
    status += "pmin=" + std::to_string(save) + " @ 0 kp/s\n";
  }
  for (; factors[next].p < refused; ++next) progress += line_of(factors[next]);
  ASSERT_EQ(next, 1u);

  // With one thread and with workers: the reports come in the same order.
  for (const char* threads : {"1", "3"}) {
    SCOPED_TRACE(std::string("-t ") + threads);
    ScratchDir dir;
    const std::string original = c.text();
    write_file(dir / "cand.dat", original);
    write_file(dir / "refuse-p.txt", std::to_string(refused) + "\n");
    const std::vector<std::string> args = {"-t", threads,  "-u", "-d",
                                           "-i", "100000", "-s", "cand.dat"};
    std::vector<std::string> first = args;
    first.push_back(std::to_string(pmin));
    first.push_back(std::to_string(pmax));
    const RunResult r = run_program(refusing_bin, first, dir.path());
    EXPECT_EQ(r.exit_status, 1);
    const std::string number =
        std::to_string(c.ks[factors[1].kindex]) + "*2^" + std::to_string(factors[1].n) + "+1";
    EXPECT_EQ(e2e::mask_varying(without_thread_warning(r.output)),
              e2e::banner + e2e::mode_lines("Proth") +
                  "Initializing... Done.\n"
                  "Sieving 1000000000 <= p <= 1001000000, 1000 <= n <= 100000\n" +
                  progress + "Error: the check of the factor " + std::to_string(refused) + " | " +
                  number +
                  " failed; it was not written. Stopped with progress "
                  "saved before p=" +
                  std::to_string(refused) + ".\n");
    EXPECT_EQ(read_file(dir / "ZelStatus.dat"),
              status + "pmin=" + std::to_string(refused - 1) + "\n");
    EXPECT_EQ(read_file(dir / "fact.txt"), line_of(factors[0]));
    EXPECT_EQ(read_file(dir / "cand.dat"), original);
    EXPECT_EQ(listing(dir.path()), "ZelStatus.dat cand.dat fact.txt refuse-p.txt");

    // The real program resumes with the refused prime and ends the range as an
    // uninterrupted run does: every factor once in fact.txt, every candidate
    // with a factor gone from the file.
    const RunResult resumed = run_quorvel(args, dir.path());
    EXPECT_EQ(resumed.exit_status, 0) << resumed.output;
    EXPECT_NE(resumed.output.find("Applied the factors of fact.txt with 1000000000 < p <= " +
                                  std::to_string(refused - 1) + ": 1 candidates struck.\n"),
              std::string::npos)
        << resumed.output;
    std::string all;
    Candidates left = c;
    for (const ref::Factor& f : factors) {
      all += line_of(f);
      left.ns[f.kindex].erase(f.n);
    }
    EXPECT_EQ(read_file(dir / "fact.txt"), all);
    EXPECT_EQ(read_file(dir / "cand.dat"), left.text());
    const std::string final_status = read_file(dir / "ZelStatus.dat");
    EXPECT_EQ(final_status.substr(final_status.size() - 5), "Done\n");
  }
}

}  // namespace
}  // namespace quorvel::test
