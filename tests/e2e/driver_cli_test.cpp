// The program's command line end to end: banner and usage text, -h,
// priority errors, unknown switches, switches short of their arguments and
// k-range / near-Mersenne values without a sound bitmap. Output is compared
// byte for byte with the documented texts.
#include <gtest/gtest.h>

#include "driver_e2e_util.hpp"

namespace quorvel {
namespace {

using test::run_quorvel;
using test::ScratchDir;

const std::string usage =
    "usage: quorvel [switches] [<pmin> <pmax>]\n"
    "\t-a <filename> = apply the factor file <filename> to the .dat file (or to the\n"
    "\t                -krange files) and exit; repeatable\n"
    "\t-d = don't output excluded (duplicates/outside range) factors\n"
    "\t-f = force use of p range given on cmdline. Overwrite ZelStatus.dat\n"
    "\t-full = write full n instead of incremental when updating .dat file\n"
    "\t-h = this help text\n"
    "\t-i <interval> = interval between progress saves to ZelStatus.dat\n"
    "\t                default is 10000000, which saves every 10 million p\n"
    "\t-n <uniqueid> = append <uniqueid> to base of filenames\n"
    "\t                \"-n 01\" -> ZelStatus01.dat, Zel01.dat, fact01.txt, ...\n"
    "\t-p <priority> = set process priority from 0 to 4. 0 is idle, default\n"
    "\t-proth        = sieve proth numbers\n"
    "\t-riesel       = sieve riesel numbers\n"
    "\t-s <filename> = use alternative .dat file. Overrides -n argument\n"
    "\t-t <threads>  = sieve with this many threads, 1 to 1024. 1 is default\n"
    "\t-u = update .dat file afterwards\n"
    "\t-v = print some additional info. -vv gives more\n"
    "\t-w = wait for new range in nextrange.txt -- don't exit if empty\n"
    "\t-x <seconds>  = stop when a factor costs more than <seconds> of processor\n"
    "\t                time (all threads) over the last 30 minutes of the run (or\n"
    "\t                all of it if shorter): new factors in Proth/Riesel mode,\n"
    "\t                struck candidates in the other modes. The range then ends\n"
    "\t                at its last progress save; no new range is taken.\n"
    "New factors are written to fact.txt, duplicates to factexcl.txt, and those\n"
    "outside the n range to factrange.txt. Some statistics are written to stat.txt.\n"
    "Proth/Riesel mode is autodetected if a Zel.dat or riesel.dat is found in the\n"
    "current directory.\n"
    "\n";

TEST(DriverCli, HelpPrintsBannerAndUsageAndEndsWithZero) {
  ScratchDir dir;
  const auto r = run_quorvel({"-h"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner + usage);
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(e2e::listing(dir.path()), "");
}

TEST(DriverCli, HelpStopsParsingAtOnce) {
  ScratchDir dir;
  const auto r = run_quorvel({"-zz", "-h", "-p", "9", "-krange"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner + "unknown switch: zz\n" + usage);
}

TEST(DriverCli, NoArgumentsShowUsageThenRunWithDefaults) {
  // With defaults the run asks for a range (no status file); with no input
  // it ends there, before any file is written.
  ScratchDir dir;
  const auto r = run_quorvel({}, dir.path());
  EXPECT_EQ(r.exit_status, 1);
  EXPECT_EQ(r.output, e2e::banner + usage +
                          "Sieve from (in billions) : \nNo answer on standard input. Exiting.\n");
  EXPECT_EQ(r.errors, "");
  EXPECT_EQ(e2e::listing(dir.path()), "");
}

TEST(DriverCli, BadPrioritiesStopBeforeAnyFileIsTouched) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"-p", "5", "1000000000", "2000000000"},
       "Bad process priority. Give value between 0 and 4 inclusive.\n"},
      {{"-p", "-1"}, "Bad process priority. Give value between 0 and 4 inclusive.\n"},
      {{"-pt", "6"}, "Bad thread priority. Give value between 0 and 5 inclusive.\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    test::write_file(dir / "ZelStatus.dat", "pmax=5\npmin=3\n");
    const auto r = run_quorvel(c.args, dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.args[0] << ' ' << c.args[1];
    EXPECT_EQ(r.output, e2e::banner + c.message) << c.args[0] << ' ' << c.args[1];
    EXPECT_EQ(e2e::listing(dir.path()), "ZelStatus.dat");
    EXPECT_EQ(test::read_file(dir / "ZelStatus.dat"), "pmax=5\npmin=3\n");
  }
}

TEST(DriverCli, UnknownSwitchesAreReportedAndParsingGoesOn) {
  ScratchDir dir;
  const auto r = run_quorvel({"-vvv", "--v", "-", "-Proth", "-h"}, dir.path());
  EXPECT_EQ(r.exit_status, 0);
  EXPECT_EQ(r.output, e2e::banner +
                          "unknown switch: vvv\nunknown switch: -v\nunknown switch: \n"
                          "unknown switch: Proth\n" +
                          usage);
}

TEST(DriverCli, SwitchShortOfArgumentsStopsBeforeAnyFileIsTouched) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"1000000000", "2000000000", "-i"}, "Switch -i needs 1 argument: -i <interval>\n"},
      {{"-f", "1000000000", "2000000000", "-n"}, "Switch -n needs 1 argument: -n <uniqueid>\n"},
      {{"-krange", "1", "99", "1", "9", "plus.txt"},
       "Switch -krange needs 6 arguments: -krange <klow> <khigh> <nlow> <nhigh> <plusfile> "
       "<minusfile>\n"},
      {{"-nearmersenne", "3", "4"},
       "Switch -nearmersenne needs 3 arguments: -nearmersenne <alow> <ahigh> <abcfile>\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    test::write_file(dir / "ZelStatus.dat", "pmax=20\npmin=10\nDone\n");
    const auto r = run_quorvel(c.args, dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.message;
    EXPECT_EQ(r.output, e2e::banner + c.message);
    EXPECT_EQ(r.errors, "");
    EXPECT_EQ(e2e::listing(dir.path()), "ZelStatus.dat");
    EXPECT_EQ(test::read_file(dir / "ZelStatus.dat"), "pmax=20\npmin=10\nDone\n");
  }
}

TEST(DriverCli, UnsoundKRangeAndNearMersenneValuesStopBeforeAnyFileIsTouched) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"-krange", "9", "7", "1", "5", "plus.txt", "minus.txt", "0", "1000"},
       "Bad k range: khigh=7 is below klow=9.\n"},
      {{"-krange", "2", "99", "1", "5", "plus.txt", "minus.txt", "0", "1000"},
       "Bad k range: klow=2 must be odd.\n"},
      {{"-krangetwin", "1", "4294967295", "5", "5", "twin.txt", "0", "1000"},
       "Bad k range: khigh=4294967295 is too large (at most 4294967294).\n"},
      {{"-nearmersenne", "0", "9", "abc.txt", "0", "1000"},
       "Bad near-Mersenne range: alow must be at least 1.\n"},
      {{"-nearmersenne", "3", "65536", "abc.txt", "0", "1000"},
       "Bad near-Mersenne range: ahigh=65536 is above 65535.\n"},
      {{"-nearmersenne", "9", "3", "abc.txt", "0", "1000"},
       "Bad near-Mersenne range: ahigh=3 is below alow=9.\n"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    const std::string old = "1000:M:0:2:2\n3 5\n";
    for (const char* f : {"plus.txt", "minus.txt", "twin.txt", "abc.txt"})
      test::write_file(dir / f, old);
    const auto r = run_quorvel(c.args, dir.path());
    EXPECT_EQ(r.exit_status, 1) << c.message;
    EXPECT_EQ(r.output, e2e::banner + c.message);
    EXPECT_EQ(e2e::listing(dir.path()), "abc.txt minus.txt plus.txt twin.txt");
    for (const char* f : {"plus.txt", "minus.txt", "twin.txt", "abc.txt"})
      EXPECT_EQ(test::read_file(dir / f), old) << f;
  }
}

}  // namespace
}  // namespace quorvel
