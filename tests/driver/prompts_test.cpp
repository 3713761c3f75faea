// The clearing question and the range prompts with scripted answers.
#include "driver/prompts.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "quorvel/config.hpp"

namespace quorvel {
namespace {

const std::string question = "Do you wish to clear ZelStatus.dat and begin a new range? [y/n] : ";

struct Asked {
  bool answer;
  std::string out;
  std::string unread;  // what the question left on the input
};

Asked ask_clear(const std::string& input) {
  zelstatus_dat_filename = "ZelStatus.dat";
  std::istringstream in(input);
  std::ostringstream out;
  Asked a;
  a.answer = ask_clear_zelstatus_dat(in, out);
  a.out = out.str();
  std::getline(in, a.unread, '\0');
  return a;
}

TEST(AskClearZelstatusDat, YesInEitherCase) {
  for (const char* input : {"y\n", "Y\n", "  \n\ty", "yes\n"}) {
    const Asked a = ask_clear(input);
    EXPECT_TRUE(a.answer) << input;
    EXPECT_EQ(a.out, question) << input;
  }
  // One character is read: the rest of "yes" stays for the next read.
  EXPECT_EQ(ask_clear("yes\n").unread, "es\n");
}

TEST(AskClearZelstatusDat, NoSaysExiting) {
  for (const char* input : {"n\n", "N\n"}) {
    const Asked a = ask_clear(input);
    EXPECT_FALSE(a.answer) << input;
    EXPECT_EQ(a.out, question + "Exiting.\n") << input;
  }
}

TEST(AskClearZelstatusDat, AsksAgainForEveryOtherCharacter) {
  Asked a = ask_clear("m a y\n");
  EXPECT_TRUE(a.answer);
  EXPECT_EQ(a.out, question + question + question);
  a = ask_clear("maybe\n");  // m, a, y: yes at the third character
  EXPECT_TRUE(a.answer);
  EXPECT_EQ(a.out, question + question + question);
  EXPECT_EQ(a.unread, "be\n");
  a = ask_clear("xn");
  EXPECT_FALSE(a.answer);
  EXPECT_EQ(a.out, question + question + "Exiting.\n");
}

TEST(AskClearZelstatusDat, EndOfInputStops) {
  for (const char* input : {"", "  \n", "q r s"}) {
    const Asked a = ask_clear(input);
    EXPECT_FALSE(a.answer) << input;
    const std::string end = "\nNo answer on standard input. Exiting.\n";
    ASSERT_GE(a.out.size(), question.size() + end.size()) << input;
    EXPECT_EQ(a.out.substr(a.out.size() - end.size()), end) << input;
    EXPECT_EQ(a.out.substr(0, a.out.size() - end.size()).size() % question.size(), 0u);
  }
  EXPECT_EQ(ask_clear("q r s").out, question + question + question + question +
                                        "\nNo answer on standard input. Exiting.\n");
}

struct Range {
  bool ok;
  std::uint64_t pmin = 0, pmax = 0;
  std::string out;
};

Range ask_range(const std::string& input) {
  std::istringstream in(input);
  std::ostringstream out;
  Range r;
  r.ok = ask_pmin_pmax(in, out, r.pmin, r.pmax);
  r.out = out.str();
  return r;
}

const std::string from = "Sieve from (in billions) : ";
const std::string to = "Sieve to (in billions) : ";

TEST(AskPminPmax, AnswersInBillions) {
  Range r = ask_range("1\n2\n");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.pmin, 1000000000u);
  EXPECT_EQ(r.pmax, 2000000000u);
  EXPECT_EQ(r.out, from + to);

  r = ask_range("0 1125900");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.pmin, 0u);
  EXPECT_EQ(r.pmax, 1125900000000000u);
}

TEST(AskPminPmax, SieveToRepeatsWhileNotAbovePmin) {
  Range r = ask_range("2\n1\n2\n3\n");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.pmin, 2000000000u);
  EXPECT_EQ(r.pmax, 3000000000u);
  EXPECT_EQ(r.out, from + to + to + to);

  r = ask_range("0\n0\n1\n");
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.pmax, 1000000000u);
  EXPECT_EQ(r.out, from + to + to);
}

TEST(AskPminPmax, EndOfInputStops) {
  Range r = ask_range("");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.out, from + "\nNo answer on standard input. Exiting.\n");
  r = ask_range("5\n3\n");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.out, from + to + to + "\nNo answer on standard input. Exiting.\n");
}

TEST(AskPminPmax, NonNumericAnswerStops) {
  Range r = ask_range("abc\n");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.out, from + "Not a whole number of billions. Exiting.\n");
  r = ask_range("1\nmore\n");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.out, from + to + "Not a whole number of billions. Exiting.\n");
  // Too large for 64 bits.
  r = ask_range("99999999999999999999\n");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.out, from + "Not a whole number of billions. Exiting.\n");
}

}  // namespace
}  // namespace quorvel
