// The command line: every switch, overrides, positional arguments, the
// errors that stop the run, and the number and file-name helpers.
#include "driver/command_line.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

struct Parsed {
  step_result result;
  options_t opt;
  std::string out;
};

Parsed parse(const std::vector<std::string>& args) {
  Parsed p;
  std::ostringstream out;
  p.result = parse_command_line(args, p.opt, out);
  p.out = out.str();
  return p;
}

TEST(Toint, ReadsLeadingDecimalNumberLikeStreamInput) {
  EXPECT_EQ(toint("12345"), 12345u);
  EXPECT_EQ(toint("12345 @ 1234 kp/s"), 12345u);
  EXPECT_EQ(toint("  \t42x"), 42u);
  EXPECT_EQ(toint("+7"), 7u);
  EXPECT_EQ(toint("18446744073709551615"), 18446744073709551615ull);
  // A minus sign negates modulo 2^64.
  EXPECT_EQ(toint("-1"), 18446744073709551615ull);
  EXPECT_EQ(toint("-5"), 0 - std::uint64_t{5});
  // Texts without a number give 0.
  EXPECT_EQ(toint("abc"), 0u);
  EXPECT_EQ(toint(""), 0u);
  EXPECT_EQ(toint("-"), 0u);
  EXPECT_EQ(toint(" @ 5"), 0u);
}

TEST(GetFilename, InsertsIdBeforeLastDot) {
  EXPECT_EQ(get_filename("fact.txt", "01"), "fact01.txt");
  EXPECT_EQ(get_filename("Zel.dat", "01"), "Zel01.dat");
  EXPECT_EQ(get_filename("ZelStatus.dat", "abc"), "ZelStatusabc.dat");
  EXPECT_EQ(get_filename("a.b.c", "X"), "a.bX.c");
  EXPECT_EQ(get_filename("fact.txt", ""), "fact.txt");
}

TEST(ParseCommandLine, DefaultsWithoutArgumentsAndUsageShown) {
  mode = 3;  // left over from an earlier parse: a parse starts from the defaults
  verbose = 2;
  const Parsed p = parse({});
  EXPECT_EQ(p.result, step_result::go_on);
  EXPECT_EQ(p.out.rfind("usage: quorvel [switches] [<pmin> <pmax>]\n", 0), 0u) << p.out;
  EXPECT_EQ(mode, mode_proth);
  EXPECT_EQ(verbose, 0);
  EXPECT_FALSE(savezeldat);
  EXPECT_FALSE(writefulln);
  EXPECT_TRUE(outputdupes);
  EXPECT_FALSE(p.opt.range_given);
  EXPECT_EQ(p.opt.pmin, 0u);
  EXPECT_EQ(p.opt.pmax, 0u);
  EXPECT_EQ(p.opt.interval, 10000000u);
  EXPECT_EQ(p.opt.priority, 0u);
  EXPECT_FALSE(p.opt.force);
  EXPECT_FALSE(p.opt.waitforrange);
  EXPECT_FALSE(p.opt.writenpg);
}

TEST(ParseCommandLine, PositionalArgumentsSetPminThenPmax) {
  Parsed p = parse({"1000000000000"});
  EXPECT_TRUE(p.opt.range_given);
  EXPECT_EQ(p.opt.pmin, 1000000000000u);
  EXPECT_EQ(p.opt.pmax, 0u);
  EXPECT_EQ(p.out, "");  // arguments given: no usage text

  p = parse({"5", "7", "9"});
  EXPECT_EQ(p.opt.pmin, 5u);
  EXPECT_EQ(p.opt.pmax, 9u);

  // Positional values mix with switches and are plain p values.
  p = parse({"-v", "1500", "-d", "2500"});
  EXPECT_EQ(p.opt.pmin, 1500u);
  EXPECT_EQ(p.opt.pmax, 2500u);
  EXPECT_EQ(verbose, 1);
  EXPECT_FALSE(outputdupes);
}

TEST(ParseCommandLine, FlagSwitches) {
  const Parsed p = parse({"-d", "-f", "-full", "-u", "-w", "-vv"});
  EXPECT_EQ(p.result, step_result::go_on);
  EXPECT_FALSE(outputdupes);
  EXPECT_TRUE(p.opt.force);
  EXPECT_TRUE(writefulln);
  EXPECT_TRUE(savezeldat);
  EXPECT_TRUE(p.opt.waitforrange);
  EXPECT_EQ(verbose, 2);
  EXPECT_EQ(p.out, "");
}

TEST(ParseCommandLine, LaterSwitchesOverrideEarlierOnes) {
  parse({"-v", "-vv"});
  EXPECT_EQ(verbose, 2);
  parse({"-vv", "-v"});
  EXPECT_EQ(verbose, 1);
  parse({"-riesel", "-proth"});
  EXPECT_EQ(mode, mode_proth);
  parse({"-proth", "-riesel"});
  EXPECT_EQ(mode, mode_riesel);
  const Parsed p = parse({"-i", "5", "-i", "7", "-n", "a", "-n", "b"});
  EXPECT_EQ(p.opt.interval, 7u);
  EXPECT_EQ(p.opt.uniqueid, "b");
}

TEST(ParseCommandLine, SwitchesWithArguments) {
  const Parsed p =
      parse({"-i", "12345", "-n", "01", "-s", "my.dat", "-npg", "out.npg", "-p", "3", "-pt", "5"});
  EXPECT_EQ(p.result, step_result::go_on);
  EXPECT_EQ(p.opt.interval, 12345u);
  EXPECT_EQ(p.opt.uniqueid, "01");
  EXPECT_EQ(p.opt.datfile, "my.dat");
  EXPECT_TRUE(p.opt.writenpg);
  EXPECT_EQ(p.opt.npgfile, "out.npg");
  EXPECT_EQ(p.opt.priority, 3u);
  EXPECT_EQ(p.opt.threadpriority, 5u);
  EXPECT_FALSE(p.opt.range_given);  // switch arguments are not positional
  EXPECT_EQ(p.out, "");
}

TEST(ParseCommandLine, ApplySwitchCollectsEveryFileInOrder) {
  const Parsed none = parse({"-u"});
  EXPECT_TRUE(none.opt.apply_files.empty());
  const Parsed p = parse({"-a", "f1.txt", "-riesel", "-a", "-a", "-a", "f1.txt"});
  EXPECT_EQ(p.result, step_result::go_on);
  // A file named "-a" is a file like any other; repeats are kept.
  EXPECT_EQ(p.opt.apply_files, (std::vector<std::string>{"f1.txt", "-a", "f1.txt"}));
  EXPECT_EQ(mode, mode_riesel);
  EXPECT_FALSE(p.opt.range_given);
  EXPECT_EQ(p.out, "");
}

TEST(ParseCommandLine, IntervalWithoutNumberIsZero) {
  const Parsed p = parse({"-i", "abc"});
  EXPECT_EQ(p.result, step_result::go_on);
  EXPECT_EQ(p.opt.interval, 0u);
}

TEST(ParseCommandLine, KrangeSwitches) {
  Parsed p = parse({"-krange", "1", "100", "1", "1000", "0", "minus.bin"});
  EXPECT_EQ(mode, mode_krange);
  EXPECT_EQ(krange_klow, 1u);
  EXPECT_EQ(krange_khigh, 100u);
  EXPECT_EQ(krange_nlow, 1u);
  EXPECT_EQ(krange_nhigh, 1000u);
  EXPECT_EQ(p.opt.krange_plusfile, "0");
  EXPECT_EQ(p.opt.krange_minusfile, "minus.bin");
  EXPECT_FALSE(p.opt.range_given);

  // Low 32 bits of each number.
  p = parse({"-krangetwin", "4294967297", "4294967301", "8", "9", "twin.txt", "10", "20"});
  EXPECT_EQ(mode, mode_krangetwin);
  EXPECT_EQ(krange_klow, 1u);
  EXPECT_EQ(krange_khigh, 5u);
  EXPECT_EQ(krange_nlow, 8u);
  EXPECT_EQ(krange_nhigh, 9u);
  EXPECT_EQ(p.opt.krangetwin_file, "twin.txt");
  EXPECT_EQ(p.opt.pmin, 10u);
  EXPECT_EQ(p.opt.pmax, 20u);

  p = parse({"-nearmersenne", "3", "4", "abc.txt"});
  EXPECT_EQ(mode, mode_nearmersenne);
  EXPECT_EQ(nm_alow, 3u);
  EXPECT_EQ(nm_ahigh, 4u);
  EXPECT_EQ(nm_abcfile, "abc.txt");
}

TEST(ParseCommandLine, UnknownSwitchesAreReportedAndSkipped) {
  const Parsed p = parse({"-vvv", "--v", "-", "-V", "-y", "17", "19"});
  EXPECT_EQ(p.result, step_result::go_on);
  EXPECT_EQ(p.out,
            "unknown switch: vvv\n"
            "unknown switch: -v\n"
            "unknown switch: \n"
            "unknown switch: V\n"
            "unknown switch: y\n");
  EXPECT_EQ(verbose, 0);
  // Parsing went on: the numbers after the unknown switch are positional.
  EXPECT_EQ(p.opt.pmin, 17u);
  EXPECT_EQ(p.opt.pmax, 19u);
}

TEST(ParseCommandLine, HelpStopsWithStatusZeroAfterUsage) {
  const Parsed p = parse({"-z", "-h", "-p", "9"});
  EXPECT_EQ(p.result, step_result::stop_ok);
  EXPECT_EQ(p.out.rfind("unknown switch: z\nusage: quorvel", 0), 0u) << p.out;
  EXPECT_EQ(p.out.find("Bad process"), std::string::npos);
}

TEST(ParseCommandLine, PriorityLimits) {
  for (const char* ok : {"0", "4"}) {
    const Parsed p = parse({"-p", ok});
    EXPECT_EQ(p.result, step_result::go_on) << ok;
    EXPECT_EQ(p.opt.priority, toint(ok));
  }
  for (const char* bad : {"5", "-1", "4294967301"}) {
    const Parsed p = parse({"-p", bad, "-h"});
    EXPECT_EQ(p.result, step_result::stop_error) << bad;
    EXPECT_EQ(p.out, "Bad process priority. Give value between 0 and 4 inclusive.\n") << bad;
  }
  // 2^32 + 2 has low 32 bits 2: accepted.
  EXPECT_EQ(parse({"-p", "4294967298"}).opt.priority, 2u);

  EXPECT_EQ(parse({"-pt", "5"}).result, step_result::go_on);
  const Parsed p = parse({"-pt", "6"});
  EXPECT_EQ(p.result, step_result::stop_error);
  EXPECT_EQ(p.out, "Bad thread priority. Give value between 0 and 5 inclusive.\n");
}

TEST(ParseCommandLine, SwitchShortOfItsArgumentsStops) {
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"-a"}, "Switch -a needs 1 argument: -a <filename>\n"},
      {{"-i"}, "Switch -i needs 1 argument: -i <interval>\n"},
      {{"-n"}, "Switch -n needs 1 argument: -n <uniqueid>\n"},
      {{"-s"}, "Switch -s needs 1 argument: -s <filename>\n"},
      {{"-npg"}, "Switch -npg needs 1 argument: -npg <filename>\n"},
      {{"-p"}, "Switch -p needs 1 argument: -p <priority>\n"},
      {{"-pt"}, "Switch -pt needs 1 argument: -pt <priority>\n"},
      {{"-x"}, "Switch -x needs 1 argument: -x <seconds>\n"},
      {{"-krange", "1", "99", "1", "5", "plus.txt"},
       "Switch -krange needs 6 arguments: -krange <klow> <khigh> <nlow> <nhigh> <plusfile> "
       "<minusfile>\n"},
      {{"-krangetwin", "1", "99", "1", "5"},
       "Switch -krangetwin needs 5 arguments: -krangetwin <klow> <khigh> <nlow> <nhigh> "
       "<file>\n"},
      {{"-nearmersenne", "3", "4"},
       "Switch -nearmersenne needs 3 arguments: -nearmersenne <alow> <ahigh> <abcfile>\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"1000", "2000"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const Parsed p = parse(args);
    EXPECT_EQ(p.result, step_result::stop_error) << c.args[0];
    EXPECT_EQ(p.out, c.message) << c.args[0];
  }
  // Exactly enough arguments is fine.
  EXPECT_EQ(parse({"-krangetwin", "1", "99", "1", "5", "t.txt"}).result, step_result::go_on);
  EXPECT_EQ(parse({"-i", "0"}).result, step_result::go_on);
}

TEST(ParseCommandLine, StopLimitIsAWholeNumberOfSeconds) {
  EXPECT_FALSE(parse({"1000", "2000"}).opt.stop_seconds.has_value());
  for (const std::string ok : {"0", "600", "9999999999"}) {
    const Parsed p = parse({"-x", ok});
    EXPECT_EQ(p.result, step_result::go_on) << ok;
    ASSERT_TRUE(p.opt.stop_seconds.has_value()) << ok;
    EXPECT_EQ(*p.opt.stop_seconds, std::stoull(ok));
  }
  EXPECT_EQ(*parse({"-x", "5", "-x", "7"}).opt.stop_seconds, 7u);
  for (const std::string bad : {"", "-1", "1.5", "60s", "+3", "10000000000"}) {
    const Parsed p = parse({"-x", bad, "-h"});
    EXPECT_EQ(p.result, step_result::stop_error) << bad;
    EXPECT_EQ(p.out, "Bad stop limit: " + bad +
                         ". Give a whole number of processor seconds per factor.\n");
  }
}

TEST(CheckModeParameters, RejectsRangesWithoutSoundBitmap) {
  struct Case {
    std::vector<std::string> args;
    std::string message;  // empty: accepted
  };
  const std::vector<Case> cases = {
      {{"-krange", "1", "99", "1", "5", "a", "b"}, ""},
      {{"-krange", "7", "7", "1", "5", "a", "b"}, ""},
      {{"-krange", "1", "4294967294", "1", "5", "a", "b"}, ""},
      {{"-krange", "7", "5", "1", "5", "a", "b"}, "Bad k range: khigh=5 is below klow=7.\n"},
      {{"-krange", "4", "99", "1", "5", "a", "b"}, "Bad k range: klow=4 must be odd.\n"},
      {{"-krangetwin", "0", "99", "1", "1", "t"}, "Bad k range: klow=0 must be odd.\n"},
      {{"-krangetwin", "1", "4294967295", "1", "1", "t"},
       "Bad k range: khigh=4294967295 is too large (at most 4294967294).\n"},
      {{"-nearmersenne", "1", "65535", "f"}, ""},
      {{"-nearmersenne", "5", "5", "f"}, ""},
      {{"-nearmersenne", "0", "10", "f"}, "Bad near-Mersenne range: alow must be at least 1.\n"},
      {{"-nearmersenne", "1", "65536", "f"},
       "Bad near-Mersenne range: ahigh=65536 is above 65535.\n"},
      {{"-nearmersenne", "6", "5", "f"}, "Bad near-Mersenne range: ahigh=5 is below alow=6.\n"},
      // Values of a mode that is not the final one are not looked at.
      {{"-krange", "4", "2", "1", "5", "a", "b", "-proth"}, ""},
      {{"-nearmersenne", "0", "0", "f", "-riesel"}, ""},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(parse(c.args).result, step_result::go_on) << c.args[0];
    std::ostringstream out;
    const bool ok = check_mode_parameters(out);
    EXPECT_EQ(ok, c.message.empty()) << c.args[0] << ' ' << c.args[1] << ' ' << c.args[2];
    EXPECT_EQ(out.str(), c.message) << c.args[0] << ' ' << c.args[1] << ' ' << c.args[2];
  }
}

}  // namespace
}  // namespace quorvel
