// Reading factor lines: the form the reports write, the blanks and line ends
// other sieves leave, comments, and everything that must count as malformed
// (the line's numbers are never guessed at).
#include "db/factor_line.hpp"

#include <gtest/gtest.h>

#include "reference/reference.hpp"

namespace quorvel {
namespace {

std::string parsed(std::string_view line) {
  factor_line_t f;
  switch (parse_factor_line(line, f)) {
    case line_status::no_factor:
      return "none";
    case line_status::malformed:
      return "malformed";
    case line_status::factor:
      break;
  }
  return std::to_string(f.p) + "," + std::to_string(f.k) + "," + std::to_string(f.n) + "," +
         std::to_string(f.sign);
}

TEST(FactorLine, TheFormTheReportsWrite) {
  EXPECT_EQ(parsed(ref::factor_line(1423, 7, 104, +1)), "1423,7,104,1");
  EXPECT_EQ(parsed(ref::factor_line(1000000007, 2147483647, 4294967295u, -1)),
            "1000000007,2147483647,4294967295,-1");
  // p up to 2^64 - 1, k and n beyond 32 bits.
  EXPECT_EQ(parsed("4611686018427387847 | 3*2^5+1"), "4611686018427387847,3,5,1");
  EXPECT_EQ(parsed("18446744073709551615 | 18446744073709551615*2^18446744073709551615-1"),
            "18446744073709551615,18446744073709551615,18446744073709551615,-1");
}

TEST(FactorLine, BlanksAndLineEndsAreTolerated) {
  for (const char* line : {"1423 | 7*2^104+1\r", "  1423 | 7*2^104+1  ", "\t1423|7*2^104+1\t\r",
                           "1423  |   7*2^104+1", "1423\t|\t7*2^104+1 \r"})
    EXPECT_EQ(parsed(line), "1423,7,104,1") << line;
}

TEST(FactorLine, BlankAndCommentLinesCarryNoFactor) {
  for (const char* line : {"", " ", "\t\r", "\r", "# 1423 | 7*2^104+1", "   #", "#"})
    EXPECT_EQ(parsed(line), "none") << line;
}

TEST(FactorLine, MalformedLines) {
  for (const char* line : {
           "1423 | 7*2^104",                    // no sign
           "1423 | 7*2^104+2",                  // +2
           "1423 | 7*2^104 +1",                 // blank inside the number
           "1423 | 7 * 2^104+1",                // blanks around *
           "1423 | 7*3^104+1",                  // base 3
           "1423 | 7*2^+1",                     // no n
           "1423 | *2^104+1",                   // no k
           "| 7*2^104+1",                       // no p
           "1423 7*2^104+1",                    // no bar
           "1423 || 7*2^104+1",                 // two bars
           "-1423 | 7*2^104+1",                 // signed p
           "1423 | -7*2^104+1",                 // signed k
           "1423 | 7*2^104+1 x",                // trailing text
           "1423 | 7*2^104+1\t(duplicate)",     // a console line
           "1423 | 7*2^104+11",                 // another number
           "18446744073709551616 | 7*2^104+1",  // p beyond 64 bits
           "1423 | 18446744073709551616*2^1+1",
           "1423 | 7*2^18446744073709551616+1",
           "1000000007 | 5*2^11000000009 | 7*2^5+1",  // two lines run together
           "x1423 | 7*2^104+1",
           "1423 | 7*2^104+1#",
       })
    EXPECT_EQ(parsed(line), "malformed") << line;
}

TEST(FactorLine, TextsOfANumberAndALine) {
  EXPECT_EQ(number_text(7, 104, +1), "7*2^104+1");
  EXPECT_EQ(number_text(7, 104, -1), "7*2^104-1");
  factor_line_t f;
  f.p = 18446744073709551615ULL;
  f.k = 3;
  f.n = 0;
  f.sign = -1;
  EXPECT_EQ(factor_text(f), "18446744073709551615 | 3*2^0-1");
  EXPECT_EQ(parsed(factor_text(f)), "18446744073709551615,3,0,-1");
}

}  // namespace
}  // namespace quorvel
