// The bundled example file is what quorvel-newdat makes from the command
// written in examples/run-example.sh, byte for byte, and quorvel reads it.
#include <gtest/gtest.h>

#include "support/test_support.hpp"

namespace quorvel::test {
namespace {

TEST(BundledExample, RegeneratingGivesTheSameFile) {
  ScratchDir dir;
  const RunResult r =
      run_program(QUORVEL_NEWDAT_BIN, {"-k", "3,5,7,9,11,13,15,17", "-o", "proth-example.dat",
                                       "20000", "26000"},
                  dir.path());
  ASSERT_EQ(r.exit_status, 0) << r.output;
  const std::string bundled = read_file(source_dir() / "examples" / "proth-example.dat");
  ASSERT_FALSE(bundled.empty());
  EXPECT_EQ(read_file(dir / "proth-example.dat"), bundled);
  // The script names the same command.
  const std::string script = read_file(source_dir() / "examples" / "run-example.sh");
  EXPECT_NE(script.find("quorvel-newdat -k 3,5,7,9,11,13,15,17 -o proth-example.dat 20000 26000"),
            std::string::npos);
}

TEST(BundledExample, QuorvelLoadsItAndSievesAShortRange) {
  ScratchDir dir;
  write_file(dir / "Zel.dat", read_file(source_dir() / "examples" / "proth-example.dat"));
  const RunResult r = run_quorvel({"-v", "1000000000", "1000020000"}, dir.path());
  ASSERT_EQ(r.exit_status, 0) << r.output;
  EXPECT_NE(r.output.find("3740 n values in total."), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("Sieving 1000000000 <= p <= 1000020000, 20000 <= n <= 26000"),
            std::string::npos);
}

}  // namespace
}  // namespace quorvel::test
