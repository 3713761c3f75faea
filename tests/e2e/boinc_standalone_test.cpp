// The BOINC build run standalone (no client): file names go through the
// client library's resolver, which follows link files, so a link file in
// place of a file sends the run's reads and writes to the file it names;
// the exit status comes through the library's finish; the output is that of
// a plain run. Built only with QUORVEL_BOINC.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "driver_e2e_util.hpp"
#include "reference/reference.hpp"
#include "search/candidate_files.hpp"
#include "support/test_support.hpp"

namespace quorvel::test {
namespace {

constexpr std::uint64_t pmin = 1000000000, pmax = 1000300000;

std::string link_to(const std::string& target) { return "<soft_link>" + target + "</soft_link>\n"; }

Candidates planted() {
  Candidates c;
  c.sign = +1;
  c.nlow = 2000;
  c.nhigh = 60000;
  const auto primes = ref::primes_between(pmin + 1, pmax);
  for (std::size_t i = 100; i < primes.size(); i += primes.size() / 5)
    plant_by_k(c, primes[i], c.nlow, c.nhigh, 2147483647, 1);
  return c;
}

TEST(BoincStandalone, LinkFilesRedirectEveryFileOfTheRun) {
  const Candidates c = planted();
  const auto factors = ref::factors(c.ks, c.lists(), c.sign, pmin, pmax);
  ASSERT_GE(factors.size(), 4u);
  std::string fact;
  for (const ref::Factor& f : factors)
    fact += ref::factor_line(f.p, c.ks[f.kindex], f.n, +1) + "\n";

  ScratchDir dir;
  std::filesystem::create_directories(dir / "project");
  write_file(dir / "project" / "wu_candidates.dat", c.text());
  // The workunit's status file with the range, as a project hands it out.
  write_file(dir / "project" / "wu_status.dat",
             "pmax=" + std::to_string(pmax) + "\npmin=" + std::to_string(pmin) + "\n");
  write_file(dir / "Zel.dat", link_to("project/wu_candidates.dat"));
  write_file(dir / "ZelStatus.dat", link_to("project/wu_status.dat"));
  write_file(dir / "fact.txt", link_to("project/result_fact.txt"));
  write_file(dir / "stat.txt", link_to("project/result_stat.txt"));
  const RunResult r = run_quorvel({"-d", "-u", "-i", "100000"}, dir.path());
  EXPECT_EQ(r.exit_status, 0) << r.output;
  EXPECT_EQ(r.errors, "");
  EXPECT_NE(r.output.find("Found project/wu_status.dat with unfinished work."), std::string::npos)
      << r.output;
  EXPECT_NE(r.output.find("Saving project/wu_candidates.dat... Done."), std::string::npos)
      << r.output;
  EXPECT_EQ(read_file(dir / "project" / "result_fact.txt"), fact);
  const std::string status = read_file(dir / "project" / "wu_status.dat");
  EXPECT_EQ(status.substr(status.size() - 5), "Done\n");
  EXPECT_EQ(e2e::mask_varying(read_file(dir / "project" / "result_stat.txt"), true),
            e2e::stats_block(pmin, pmax, ref::primes_between(pmin + 1, pmax).size(), c.ks.size(),
                             true, "#", "#"));
  // The link files themselves are left as they were.
  EXPECT_EQ(read_file(dir / "fact.txt"), link_to("project/result_fact.txt"));
  EXPECT_EQ(read_file(dir / "Zel.dat"), link_to("project/wu_candidates.dat"));
  // The candidates found are gone from the written file.
  EXPECT_NE(read_file(dir / "project" / "wu_candidates.dat"), c.text());
  // The library's own files of a standalone run: its log and the finish mark.
  EXPECT_TRUE(is_boinc_library_file("stderr.txt"));
  EXPECT_TRUE(std::filesystem::exists(dir / "boinc_finish_called"));
  EXPECT_EQ(e2e::listing(dir.path()), "Zel.dat ZelStatus.dat fact.txt project stat.txt");
}

TEST(BoincStandalone, ExitStatusComesThroughTheLibrary) {
  ScratchDir dir;
  const RunResult bad = run_quorvel({"-p", "9"}, dir.path());
  EXPECT_EQ(bad.exit_status, 1);
  EXPECT_EQ(bad.output,
            e2e::banner + "Bad process priority. Give value between 0 and 4 inclusive.\n");
  EXPECT_EQ(read_file(dir / "boinc_finish_called"), "1\n");
  const RunResult help = run_quorvel({"-h"}, dir.path());
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_EQ(read_file(dir / "boinc_finish_called"), "0\n");
}

}  // namespace
}  // namespace quorvel::test
