// A k-range run killed with SIGKILL at random moments, also while it writes
// its k-range files, must leave each file either exactly as it was or
// exactly as an uninterrupted run writes it; running the range again then
// gives the same files as the uninterrupted run. The moments are drawn from
// a fixed seed; half of the kills follow the "Writing <file>..." text that
// the program prints before it writes that file.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace quorvel {
namespace {

using test::KillPlan;
using test::read_file;
using test::run_and_kill;
using test::run_quorvel;
using test::ScratchDir;
using test::write_file;
using Clock = std::chrono::steady_clock;

TEST(KrangeKill, FilesAreOldOrCompleteAndARerunFinishesThem) {
  // About a million odd k, one exponent: files of a few MB, so that writing
  // them takes a measurable time.
  const std::vector<std::string> first = {"-krange",  "1",         "2000001", "1",  "1",
                                          "plus.txt", "minus.txt", "0",       "200"};
  const std::vector<std::string> second = {"-krange",  "1",         "2000001", "1",  "1",
                                           "plus.txt", "minus.txt", "200",     "400"};
  ScratchDir base;
  ASSERT_EQ(run_quorvel(first, base.path()).exit_status, 0);
  const std::string plus0 = read_file(base / "plus.txt"), minus0 = read_file(base / "minus.txt");
  const auto started = Clock::now();
  ASSERT_EQ(run_quorvel(second, base.path()).exit_status, 0);
  const auto duration =
      std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started);
  const std::string plus1 = read_file(base / "plus.txt"), minus1 = read_file(base / "minus.txt");
  ASSERT_GT(minus0.size(), 1000000u);
  ASSERT_NE(plus0, plus1);
  ASSERT_NE(minus0, minus1);
  ASSERT_EQ(plus1.rfind("400:P:0:2:1\n", 0), 0u);
  ASSERT_EQ(minus1.rfind("400:M:0:2:2\n", 0), 0u);

  std::mt19937_64 rng(20240611);
  std::vector<KillPlan> plans;
  for (int i = 0; i < 4; ++i)
    plans.push_back({std::chrono::microseconds(rng() % (duration.count() + 1)), ""});
  for (const char* file : {"minus.txt", "plus.txt"}) {
    for (int i = 0; i < 2; ++i)
      plans.push_back({std::chrono::microseconds(rng() % 3000), std::string("Writing ") + file});
  }
  int killed = 0;
  for (std::size_t t = 0; t < plans.size(); ++t) {
    const std::string what = "trial " + std::to_string(t) + " delay " +
                             std::to_string(plans[t].delay.count()) + "us after '" +
                             plans[t].trigger + "'";
    ScratchDir dir;
    write_file(dir / "plus.txt", plus0);
    write_file(dir / "minus.txt", minus0);
    killed += run_and_kill(second, dir.path(), plans[t]);
    const std::string plus = read_file(dir / "plus.txt"), minus = read_file(dir / "minus.txt");
    EXPECT_TRUE(plus == plus0 || plus == plus1)
        << what << ": plus.txt has " << plus.size() << " bytes";
    EXPECT_TRUE(minus == minus0 || minus == minus1)
        << what << ": minus.txt has " << minus.size() << " bytes";
    const auto rerun = run_quorvel(second, dir.path());
    EXPECT_EQ(rerun.exit_status, 0) << what;
    EXPECT_TRUE(read_file(dir / "plus.txt") == plus1) << what;
    EXPECT_TRUE(read_file(dir / "minus.txt") == minus1) << what;
  }
  EXPECT_GT(killed, 0);
}

}  // namespace
}  // namespace quorvel
