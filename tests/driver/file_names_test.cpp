// File naming with -n and -s, and the detection of the Riesel candidate
// file in Proth mode.
#include "driver/file_names.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "driver/command_line.hpp"
#include "driver/driver_test_util.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

options_t named(const std::vector<std::string>& args) {
  options_t opt;
  std::ostringstream out;
  EXPECT_EQ(parse_command_line(args, opt, out), step_result::go_on);
  name_files(opt);
  return opt;
}

TEST(NameFiles, ProthDefaults) {
  test::InScratchDir dir;
  named({"-proth"});
  EXPECT_EQ(mode, mode_proth);
  EXPECT_EQ(zel_dat_filename, "Zel.dat");
  EXPECT_EQ(zelstatus_dat_filename, "ZelStatus.dat");
  EXPECT_EQ(fact_txt_filename, "fact.txt");
  EXPECT_EQ(factexcl_txt_filename, "factexcl.txt");
  EXPECT_EQ(factrange_txt_filename, "factrange.txt");
  EXPECT_EQ(stat_txt_filename, "stat.txt");
  EXPECT_EQ(nextrange_txt_filename, "nextrange.txt");
  EXPECT_EQ(dir.listing(), "");  // detection touches nothing
}

TEST(NameFiles, UniqueIdAndAlternativeCandidateFile) {
  test::InScratchDir dir;
  named({"-n", "01", "-s", "my.dat"});
  EXPECT_EQ(mode, mode_proth);
  EXPECT_EQ(zel_dat_filename, "my.dat");
  EXPECT_EQ(zelstatus_dat_filename, "ZelStatus01.dat");
  EXPECT_EQ(fact_txt_filename, "fact01.txt");
  EXPECT_EQ(factexcl_txt_filename, "factexcl01.txt");
  EXPECT_EQ(factrange_txt_filename, "factrange01.txt");
  EXPECT_EQ(stat_txt_filename, "stat01.txt");
  EXPECT_EQ(nextrange_txt_filename, "nextrange01.txt");
}

TEST(NameFiles, RieselFileSwitchesProthToRiesel) {
  test::InScratchDir dir;
  dir.put("riesel.dat", "0 1 2\n");
  named({});
  EXPECT_EQ(mode, mode_riesel);
  EXPECT_EQ(zel_dat_filename, "riesel.dat");
  EXPECT_EQ(zelstatus_dat_filename, "RieselStatus.dat");

  // Detection runs also when -proth is given.
  named({"-proth"});
  EXPECT_EQ(mode, mode_riesel);

  // A Zel.dat present wins.
  dir.put("Zel.dat", "0 1 2\n");
  named({});
  EXPECT_EQ(mode, mode_proth);
  EXPECT_EQ(zel_dat_filename, "Zel.dat");
  EXPECT_EQ(zelstatus_dat_filename, "ZelStatus.dat");
}

TEST(NameFiles, DetectionUsesTheUniqueId) {
  test::InScratchDir dir;
  dir.put("riesel.dat", "0 1 2\n");  // no id: not the file of -n 01
  named({"-n", "01"});
  EXPECT_EQ(mode, mode_proth);
  EXPECT_EQ(zel_dat_filename, "Zel01.dat");

  dir.put("riesel01.dat", "0 1 2\n");
  named({"-n", "01"});
  EXPECT_EQ(mode, mode_riesel);
  EXPECT_EQ(zel_dat_filename, "riesel01.dat");
  EXPECT_EQ(zelstatus_dat_filename, "RieselStatus01.dat");
}

TEST(NameFiles, AlternativeFileSkipsDetection) {
  test::InScratchDir dir;
  dir.put("riesel.dat", "0 1 2\n");
  named({"-s", "other.dat"});
  EXPECT_EQ(mode, mode_proth);
  EXPECT_EQ(zel_dat_filename, "other.dat");
  EXPECT_EQ(zelstatus_dat_filename, "ZelStatus.dat");
}

TEST(NameFiles, RieselModeWithoutCheck) {
  test::InScratchDir dir;
  named({"-riesel", "-n", "7"});
  EXPECT_EQ(mode, mode_riesel);
  EXPECT_EQ(zel_dat_filename, "riesel7.dat");
  EXPECT_EQ(zelstatus_dat_filename, "RieselStatus7.dat");
}

/// A resolver such as the BOINC client's: every name lives in slot/.
std::string in_slot(const std::string& name) { return "slot/" + name; }

TEST(NameFiles, EveryNameGoesThroughTheResolver) {
  test::InScratchDir dir;
  options_t opt;
  std::ostringstream out;
  ASSERT_EQ(parse_command_line({"-n", "01", "-npg", "out.npg", "-a", "found.txt"}, opt, out),
            step_result::go_on);
  name_files(opt, in_slot);
  EXPECT_EQ(zel_dat_filename, "slot/Zel01.dat");
  EXPECT_EQ(zelstatus_dat_filename, "slot/ZelStatus01.dat");
  EXPECT_EQ(fact_txt_filename, "slot/fact01.txt");
  EXPECT_EQ(factexcl_txt_filename, "slot/factexcl01.txt");
  EXPECT_EQ(factrange_txt_filename, "slot/factrange01.txt");
  EXPECT_EQ(stat_txt_filename, "slot/stat01.txt");
  EXPECT_EQ(nextrange_txt_filename, "slot/nextrange01.txt");
  EXPECT_EQ(opt.npgfile, "slot/out.npg");
  EXPECT_EQ(opt.apply_files, std::vector<std::string>{"slot/found.txt"});

  // Detection looks at the resolved names: riesel01.dat in slot/ (not the
  // one beside it) switches to Riesel mode.
  dir.put("riesel01.dat", "0 1 2\n");
  ASSERT_EQ(parse_command_line({"-n", "01"}, opt, out), step_result::go_on);
  name_files(opt, in_slot);
  EXPECT_EQ(mode, mode_proth);
  std::filesystem::create_directory(dir.path("slot"));
  dir.put("slot/riesel01.dat", "0 1 2\n");
  ASSERT_EQ(parse_command_line({"-n", "01"}, opt, out), step_result::go_on);
  name_files(opt, in_slot);
  EXPECT_EQ(mode, mode_riesel);
  EXPECT_EQ(zel_dat_filename, "slot/riesel01.dat");
  EXPECT_EQ(zelstatus_dat_filename, "slot/RieselStatus01.dat");

  // Names from the command line, but not the "0" of a k-range side that is off.
  ASSERT_EQ(parse_command_line({"-s", "my.dat", "-krange", "1", "9", "1", "2", "0", "minus.txt"},
                               opt, out),
            step_result::go_on);
  name_files(opt, in_slot);
  EXPECT_EQ(zel_dat_filename, "slot/my.dat");
  EXPECT_EQ(opt.krange_plusfile, "0");
  EXPECT_EQ(opt.krange_minusfile, "slot/minus.txt");
  ASSERT_EQ(parse_command_line({"-krangetwin", "1", "9", "1", "1", "twin.txt"}, opt, out),
            step_result::go_on);
  name_files(opt, in_slot);
  EXPECT_EQ(opt.krangetwin_file, "slot/twin.txt");
  ASSERT_EQ(parse_command_line({"-nearmersenne", "1", "9", "abc.txt"}, opt, out),
            step_result::go_on);
  name_files(opt, in_slot);
  EXPECT_EQ(nm_abcfile, "slot/abc.txt");
  EXPECT_EQ(zelstatus_dat_filename, "");  // no name: nothing to resolve
}

TEST(NameFiles, OtherModesHaveNoStatusFile) {
  test::InScratchDir dir;
  dir.put("riesel.dat", "0 1 2\n");
  named({"-krange", "1", "9", "1", "2", "p", "m", "-n", "x"});
  EXPECT_EQ(mode, mode_krange);
  EXPECT_EQ(zel_dat_filename, "");
  EXPECT_EQ(zelstatus_dat_filename, "");
  EXPECT_EQ(fact_txt_filename, "factx.txt");
  EXPECT_EQ(nextrange_txt_filename, "nextrangex.txt");

  named({"-nearmersenne", "1", "9", "abc", "-s", "given.dat"});
  EXPECT_EQ(mode, mode_nearmersenne);
  EXPECT_EQ(zel_dat_filename, "given.dat");
  EXPECT_EQ(zelstatus_dat_filename, "");
}

}  // namespace
}  // namespace quorvel
