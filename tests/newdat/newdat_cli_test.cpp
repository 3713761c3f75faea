// The generator's command line: accepted forms, defaults, and one error
// line for every kind of bad input.
#include "newdat/newdat_cli.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "quorvel/common.hpp"
#include "support/test_support.hpp"

namespace quorvel {
namespace {

using args_t = std::vector<std::string>;

newdat_options_t parse_ok(const args_t& args) {
  newdat_options_t opt;
  const std::string e = parse_newdat_args(args, opt);
  EXPECT_EQ(e, "") << "args: " << testing::PrintToString(args);
  return opt;
}

std::string parse_error(const args_t& args) {
  newdat_options_t opt;
  return parse_newdat_args(args, opt);
}

// "1,3,5,..." with `count` odd k.
std::string odd_k_list(int count) {
  std::string list = "1";
  for (int i = 1; i < count; ++i) {
    list += ',';
    list += std::to_string(2 * i + 1);
  }
  return list;
}

TEST(NewdatArgs, FormsDefaultsAndOrderOfK) {
  newdat_options_t o = parse_ok({"-k", "3,5", "10", "20"});
  EXPECT_EQ(o.form, mode_proth);
  EXPECT_EQ(o.ks, (std::vector<std::int32_t>{3, 5}));
  EXPECT_EQ(o.nmin, 10u);
  EXPECT_EQ(o.nmax, 20u);
  EXPECT_EQ(o.bound, 1000000u);
  EXPECT_EQ(o.out_file, "Zel.dat");
  EXPECT_EQ(o.threads, 1u);
  EXPECT_FALSE(o.help);

  o = parse_ok({"-riesel", "100", "-k", "7", "-b", "3", "200", "-k", "1,2147483647"});
  EXPECT_EQ(o.form, mode_riesel);
  EXPECT_EQ(o.ks, (std::vector<std::int32_t>{7, 1, 2147483647}));
  EXPECT_EQ(o.bound, 3u);
  EXPECT_EQ(o.out_file, "riesel.dat");

  o = parse_ok(
      {"-riesel", "-proth", "-o", "my.dat", "-k", "9", "0", "4294967295", "-b", "4294967295"});
  EXPECT_EQ(o.form, mode_proth);
  EXPECT_EQ(o.out_file, "my.dat");
  EXPECT_EQ(o.nmin, 0u);
  EXPECT_EQ(o.nmax, 4294967295u);
  EXPECT_EQ(o.bound, 4294967295u);
  EXPECT_EQ(parse_ok({"-k", "3", "-t", "1024", "1", "2"}).threads, 1024u);

  EXPECT_TRUE(parse_ok({}).help);
  EXPECT_TRUE(parse_ok({"-k", "3", "-h"}).help);
}

TEST(NewdatArgs, KFileMixesWithCommandLine) {
  test::ScratchDir dir;
  test::write_file(dir / "ks.txt", "  11\n13,15\t17\r\n\n19,\n");
  const newdat_options_t o =
      parse_ok({"-k", "3", "-kfile", (dir / "ks.txt").string(), "-k", " 21 , 23", "1", "2"});
  EXPECT_EQ(o.ks, (std::vector<std::int32_t>{3, 11, 13, 15, 17, 19, 21, 23}));

  // A file far longer than any k list is refused rather than read on.
  test::write_file(dir / "long.txt", std::string(2 << 20, ' ') + "5\n");
  EXPECT_EQ(parse_error({"-kfile", (dir / "long.txt").string(), "1", "2"}),
            "Error: couldn't read k file '" + (dir / "long.txt").string() + "'");

  test::write_file(dir / "bad.txt", "11 12\n");
  EXPECT_EQ(parse_error({"-kfile", (dir / "bad.txt").string(), "1", "2"}),
            "Error: k must be odd: 12");
  test::write_file(dir / "dup.txt", "5 7\n");
  EXPECT_EQ(parse_error({"-k", "7", "-kfile", (dir / "dup.txt").string(), "1", "2"}),
            "Error: k 7 is given twice");
  test::write_file(dir / "word.txt", "5 k=7\n");
  EXPECT_EQ(parse_error({"-kfile", (dir / "word.txt").string(), "1", "2"}),
            "Error: bad k value 'k=7'");
  const std::string missing = (dir / "none.txt").string();
  EXPECT_EQ(parse_error({"-kfile", missing, "1", "2"}),
            "Error: couldn't read k file '" + missing + "'");
  EXPECT_EQ(parse_error({"-kfile", dir.path().string(), "1", "2"}),
            "Error: couldn't read k file '" + dir.path().string() + "'");
  test::write_file(dir / "empty.txt", "");
  EXPECT_EQ(parse_error({"-kfile", (dir / "empty.txt").string(), "1", "2"}),
            "Error: no k values given (use -k or -kfile)");
}

TEST(NewdatArgs, BadInputGivesOneErrorLine) {
  struct case_t {
    args_t args;
    std::string error;
  };
  const std::string many = odd_k_list(105);
  const case_t cases[] = {
      {{"-k", "4", "1", "2"}, "Error: k must be odd: 4"},
      {{"-k", "0", "1", "2"}, "Error: k must be at least 1 and below 2147483648: 0"},
      {{"-k", "2147483649", "1", "2"},
       "Error: k must be at least 1 and below 2147483648: 2147483649"},
      {{"-k", "99999999999999999999", "1", "2"}, "Error: bad k value '99999999999999999999'"},
      {{"-k", "-3", "1", "2"}, "Error: bad k value '-3'"},
      {{"-k", "3,,5", "1", "2"}, "Error: bad k value ''"},
      {{"-k", "3,5,", "1", "2"}, "Error: bad k value ''"},
      {{"-k", "3x", "1", "2"}, "Error: bad k value '3x'"},
      {{"-k", "3,5,3", "1", "2"}, "Error: k 3 is given twice"},
      {{"-k", "3 5", "1", "2"}, "Error: bad k value '3 5'"},
      {{"-k", "3\n5", "1", "2"}, "Error: bad k value '3?5'"},
      {{"-k", many, "1", "2"}, "Error: too many k values: at most 104 are allowed"},
      {{"-k", "3", "20", "10"}, "Error: empty n range: nmin 20 is above nmax 10"},
      {{"-k", "3", "1", "4294967296"}, "Error: n must be at most 4294967295: 4294967296"},
      {{"-k", "3", "4294967296", "4294967297"}, "Error: n must be at most 4294967295: 4294967296"},
      {{"-k", "3", "1", "2x"}, "Error: bad n value '2x'"},
      {{"-k", "3", "", "2"}, "Error: bad n value ''"},
      {{"-k", "3", "1"}, "Error: give the n range as <nmin> <nmax>"},
      {{"-k", "3", "1", "2", "3"}, "Error: unexpected argument '3'"},
      {{"1", "2"}, "Error: no k values given (use -k or -kfile)"},
      {{"-k", "3", "-x", "1", "2"}, "Error: unknown switch: -x"},
      {{"-k", "3", "--k", "1", "2"}, "Error: unknown switch: --k"},
      {{"-k", "3", "-", "1", "2"}, "Error: unknown switch: -"},
      {{"1", "2", "-k"}, "Error: switch -k needs an argument"},
      {{"-k", "3", "1", "2", "-b"}, "Error: switch -b needs an argument"},
      {{"-k", "3", "1", "2", "-o"}, "Error: switch -o needs an argument"},
      {{"-k", "3", "1", "2", "-kfile"}, "Error: switch -kfile needs an argument"},
      {{"-k", "3", "-o", "", "1", "2"}, "Error: switch -o needs a file name"},
      {{"-k", "3", "-b", "2", "1", "2"},
       "Error: the sieve bound must be between 3 and 4294967295: 2"},
      {{"-k", "3", "-b", "4294967296", "1", "2"},
       "Error: the sieve bound must be between 3 and 4294967295: 4294967296"},
      {{"-k", "3", "-b", "1e6", "1", "2"}, "Error: bad sieve bound '1e6'"},
      {{"-k", "3", "-t", "0", "1", "2"},
       "Error: bad thread count '0': give a whole number from 1 to 1024"},
      {{"-k", "3", "-t", "1025", "1", "2"},
       "Error: bad thread count '1025': give a whole number from 1 to 1024"},
      {{"-k", "3", "-t", "2x", "1", "2"},
       "Error: bad thread count '2x': give a whole number from 1 to 1024"},
      {{"-k", "3", "1", "2", "-t"}, "Error: switch -t needs an argument"},
  };
  for (const case_t& c : cases) {
    EXPECT_EQ(parse_error(c.args), c.error) << "args: " << testing::PrintToString(c.args);
    std::ostringstream out;
    EXPECT_EQ(run_newdat(c.args, out), 1) << "args: " << testing::PrintToString(c.args);
    EXPECT_EQ(out.str(), c.error + "\n") << "args: " << testing::PrintToString(c.args);
  }
  // A file that cannot be written is found out only when writing.
  std::ostringstream out;
  EXPECT_EQ(run_newdat({"-k", "3", "-b", "100", "-o", "no\nsuch/x.dat", "1", "2"}, out), 1);
  EXPECT_EQ(out.str(), "Error: couldn't write 'no?such/x.dat'\n");
  // Exactly 104 k are fine.
  EXPECT_EQ(parse_ok({"-k", odd_k_list(104), "1", "2"}).ks.size(), 104u);
}

}  // namespace
}  // namespace quorvel
