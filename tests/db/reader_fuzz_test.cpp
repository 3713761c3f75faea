// Thousands of random mutations of valid candidate files fed to read_db
// (fixed seed). Each must either load into tables that keep every promise
// the search relies on, or be refused with exactly one "Error:" line (two
// lines for the k limit). Under the sanitizers this also shows that no input
// makes the reader touch memory outside its tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "db/candidate_file.hpp"
#include "db_test_util.hpp"

namespace quorvel {
namespace {

const char* const base_files[] = {
    "2\n100\n1000\nk=5\n101\n+24\n173\nk=7\n104\n+6\n",
    "4\n0\n3000\nk=3\n1000\nk=11\n12\n+12\n+24\n+36\n60\nk=13\nk=15\n7\n+5\n+10\n",
    "3 500 2000000 k=9 999983 k=21 600 +60 +120 780 k=27 1 2 3 5 8 13 21 34 55 89",
};

const char* const pieces[] = {"0",           "+0",         "k=",
                              "k",           "k=0",        "k=2147483648",
                              "4294967295",  "4294967296", "99999999999999999999",
                              "+4294967295", "104",        "105",
                              "-1",          "+",          " ",
                              "\n",          "k=3",        "+1"};

std::string mutate(std::string text, std::mt19937& rng) {
  static const char alphabet[] = "0123456789+k= \n\t\r-x\x01\xff";
  const int count = rng() % 2 == 0 ? 1 : 2 + static_cast<int>(rng() % 3);
  for (int i = 0; i < count; ++i) {
    const std::size_t at = text.empty() ? 0 : rng() % text.size();
    switch (rng() % 6) {
      case 0:  // change one byte, a digit into a digit half of the time
        if (text.empty()) break;
        if (text[at] >= '0' && text[at] <= '9' && rng() % 2 == 0) {
          text[at] = static_cast<char>('0' + rng() % 10);
        } else {
          text[at] = alphabet[rng() % (sizeof alphabet - 1)];
        }
        break;
      case 1:  // insert a few bytes
        for (std::uint32_t c = 1 + rng() % 4; c > 0; --c)
          text.insert(text.begin() + static_cast<std::ptrdiff_t>(at),
                      alphabet[rng() % (sizeof alphabet - 1)]);
        break;
      case 2:  // delete a stretch
        text.erase(at, 1 + rng() % 12);
        break;
      case 3: {  // copy a stretch elsewhere
        const std::string part = text.substr(at, 1 + rng() % 30);
        text.insert(text.empty() ? 0 : rng() % text.size(), part);
        break;
      }
      case 4:  // insert a troublesome item
        text.insert(at, std::string(" ") + pieces[rng() % std::size(pieces)] + " ");
        break;
      default:  // cut the file short
        text.resize(at);
        break;
    }
  }
  return text;
}

/// Everything the search relies on after a successful load.
void expect_sound_tables(const std::string& text) {
  ASSERT_LE(num_k, max_k) << text;
  EXPECT_GE(kpowerlcm, 1u);
  EXPECT_LE(kpowerlcm, 20000u) << text;
  EXPECT_LE(kmodlcm, 20000u) << text;
  EXPECT_EQ(kmodlcm % kpowerlcm, 0u) << text;
  EXPECT_GE(regular_grange, kmodlcm);
  EXPECT_EQ(regular_grange % kmodlcm, 0u) << text;
  for (std::uint32_t j = 0; j < num_k; ++j) {
    const auto& list = aunfacset[j];
    EXPECT_GT(ak[j], 0) << text;
    EXPECT_TRUE(std::adjacent_find(list.begin(), list.end(), std::greater_equal<>()) == list.end())
        << text;
    ASSERT_GE(akpower[j], 1u) << text;
    EXPECT_EQ(kpowerlcm % akpower[j], 0u) << text;
    EXPECT_EQ(akmod[j] % akpower[j], 0u) << text;
    EXPECT_EQ(kmodlcm % akmod[j], 0u) << text;
    ASSERT_LE(aknres[j], 10u) << text;
    EXPECT_EQ(aknres[j] == 0, list.empty()) << text;
    const auto* row = &akares[10 * j];
    EXPECT_TRUE(std::adjacent_find(row, row + aknres[j], std::greater_equal<>()) == row + aknres[j])
        << text;
    for (const std::uint32_t n : list) {
      ASSERT_EQ(n % akpower[j], akequiv[j]) << text;
      ASSERT_NE(std::find(row, row + aknres[j], n % akmod[j]), row + aknres[j]) << text;
    }
  }
}

TEST(ReadDbFuzz, MutatedFilesLoadSoundlyOrGiveOneLine) {
  std::mt19937 rng(31337);
  test::ScratchDir dir;
  int loaded = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    const std::string text = mutate(base_files[round % std::size(base_files)], rng);
    // A fresh name per round: rewriting one file in place makes some file
    // systems flush it to disk on every close.
    const std::string name = (dir / ("Zel" + std::to_string(round) + ".dat")).string();
    test::write_file(name, text);
    dbtest::reset_config();
    bool ok = false;
    const std::string out = dbtest::capture_stdout([&] { ok = read_db(name); });
    if (ok) {
      ++loaded;
      EXPECT_EQ(out, "") << text;
      expect_sound_tables(text);
    } else {
      ++refused;
      const bool limit = out ==
                         "Error: this version of quorvel is limited to a maximum of 104 k values.\n"
                         "Contact Torvan and persuade him to up the limit a bit...\n";
      const bool one_line = out.rfind("Error: bad candidate file '" + name + "': ", 0) == 0 &&
                            std::count(out.begin(), out.end(), '\n') == 1 && out.back() == '\n';
      EXPECT_TRUE(limit || one_line) << "input:\n" << text << "\noutput:\n" << out;
      EXPECT_EQ(num_k, 0u);
    }
    std::filesystem::remove(name);
  }
  // Both outcomes must occur often, or the mutations test little.
  EXPECT_GT(loaded, 100);
  EXPECT_GT(refused, 1000);
}

}  // namespace
}  // namespace quorvel
