// read_db: the tables and the printed analysis against the plain reference,
// the spellings of a candidate file, the limits and every refused input.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "db/candidate_file.hpp"
#include "db_test_util.hpp"

namespace quorvel {
namespace {

using dbref::record;
using dbtest::capture_stdout;

const char* const example_file = "2\n100\n1000\nk=5\n101\n+24\n173\nk=7\n104\n+6\n";

struct load_result {
  bool ok = false;
  std::string output;
};

load_result load(const std::string& text, int level = 0, int run_mode = mode_proth) {
  test::ScratchDir dir;
  test::write_file(dir / "Zel.dat", text);
  dbtest::reset_config();
  verbose = level;
  mode = run_mode;
  load_result r;
  const std::string name = (dir / "Zel.dat").string();
  r.output = capture_stdout([&] { r.ok = read_db(name); });
  return r;
}

/// The lines read_db prints at -v for these lists (the period lines and the
/// total), built from the reference's periods.
std::string summary_lines(const std::vector<record>& recs) {
  std::string s;
  std::uint64_t total = 0;
  for (const auto& r : recs) {
    std::uint32_t p, a;
    dbref::list_period(r.n, p, a);
    s += "k: " + std::to_string(r.k) + ". n = " + std::to_string(a) + " (mod " + std::to_string(p) +
         "). " + std::to_string(r.n.size()) + " n values.\n";
    total += r.n.size();
  }
  return s + std::to_string(total) + " n values in total.\n";
}

/// Checks the k table after a successful load against the reference:
/// the lists, and the analysis the search must see (on the lists' own periods
/// when their lcm is within 20000, else on the effective periods).
void expect_tables(const std::vector<record>& recs, std::uint32_t nlow, std::uint32_t nhigh,
                   const std::string& where) {
  SCOPED_TRACE(where);
  ASSERT_EQ(num_k, recs.size());
  EXPECT_EQ(nlow, quorvel::nlow);
  EXPECT_EQ(nhigh, quorvel::nhigh);
  std::vector<std::uint32_t> periods, residues;
  for (const auto& r : recs) {
    std::uint32_t p, a;
    dbref::list_period(r.n, p, a);
    periods.push_back(p);
    residues.push_back(a);
  }
  if (dbref::analyse(recs, nlow, nhigh, periods).kpowerlcm > 20000) {
    periods = dbref::effective_periods(periods);
    for (std::size_t j = 0; j < recs.size(); ++j)
      residues[j] = recs[j].n.empty() ? 0 : recs[j].n[0] % periods[j];
  }
  const dbref::analysis a = dbref::analyse(recs, nlow, nhigh, periods);
  EXPECT_EQ(static_cast<std::uint32_t>(a.kpowerlcm), kpowerlcm);
  EXPECT_EQ(static_cast<std::uint32_t>(a.kmodlcm), kmodlcm);
  EXPECT_EQ(static_cast<std::uint32_t>(a.grange), regular_grange);
  for (std::size_t j = 0; j < recs.size(); ++j) {
    SCOPED_TRACE("k index " + std::to_string(j));
    EXPECT_EQ(ak[j], recs[j].k);
    EXPECT_EQ(aunfacset[j], recs[j].n);
    EXPECT_EQ(akpower[j], periods[j]);
    EXPECT_EQ(akequiv[j], residues[j]);
    EXPECT_EQ(akmod[j], static_cast<std::uint32_t>(a.akmod[j]));
    ASSERT_EQ(aknres[j], a.rows[j].size());
    for (std::size_t i = 0; i < a.rows[j].size(); ++i) EXPECT_EQ(akares[10 * j + i], a.rows[j][i]);
  }
}

TEST(ReadDb, ExampleFileGivesKnownTables) {
  const load_result r = load(example_file);
  ASSERT_TRUE(r.ok) << r.output;
  EXPECT_EQ(r.output, "");
  ASSERT_EQ(num_k, 2u);
  EXPECT_EQ(nlow, 100u);
  EXPECT_EQ(nhigh, 1000u);
  EXPECT_EQ(ak[0], 5);
  EXPECT_EQ(ak[1], 7);
  EXPECT_EQ(aunfacset[0], (std::vector<std::uint32_t>{101, 125, 173}));
  EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{104, 110}));
  EXPECT_EQ(akpower[0], 24u);
  EXPECT_EQ(akpower[1], 6u);
  EXPECT_EQ(akequiv[0], 5u);
  EXPECT_EQ(akequiv[1], 2u);
  EXPECT_EQ(alegk[0], -10);
  EXPECT_EQ(alegk[1], -7);
  EXPECT_EQ(kpowerlcm, 24u);
  EXPECT_EQ(akmod[0], 1176u);
  EXPECT_EQ(akmod[1], 294u);
  EXPECT_EQ(aknres[0], 3u);
  EXPECT_EQ(aknres[1], 2u);
  EXPECT_EQ((std::vector<std::uint32_t>(akares.begin(), akares.begin() + 3)),
            (std::vector<std::uint32_t>{101, 125, 173}));
  EXPECT_EQ(akares[10], 104u);
  EXPECT_EQ(akares[11], 110u);
  EXPECT_EQ(kmodlcm, 1176u);
  EXPECT_EQ(regular_grange, 1176u);
  expect_tables({{5, {101, 125, 173}}, {7, {104, 110}}}, 100, 1000, "example");
}

TEST(ReadDb, ScreenValuesFollowKModThreeAndTheMode) {
  ASSERT_TRUE(load(example_file, 0, mode_riesel).ok);
  EXPECT_EQ(alegk[0], 5);
  EXPECT_EQ(alegk[1], 14);
  // Proth: k divisible by 3 gets no screen, k == 1 (mod 3) gets -k, and for
  // k = 2^30 + 1 (== 2 mod 3) the entry holds -2k modulo 2^32.
  ASSERT_TRUE(load("3 1 9 k=9 2 k=4 3 k=1073741825 5").ok);
  EXPECT_EQ(alegk[0], 0);
  EXPECT_EQ(alegk[1], -4);
  EXPECT_EQ(alegk[2], static_cast<std::int32_t>(static_cast<std::uint32_t>(-2 * 1073741825LL)));
}

TEST(ReadDb, ExampleAtVerboseOnePrintsThePeriods) {
  const load_result r = load(example_file, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.output,
            "k: 5. n = 5 (mod 24). 3 n values.\n"
            "k: 7. n = 2 (mod 6). 2 n values.\n"
            "5 n values in total.\n");
}

TEST(ReadDb, ExampleAtVerboseTwoPrintsTheAnalysis) {
  const load_result r = load(example_file, 2);
  ASSERT_TRUE(r.ok);
  const std::vector<record> recs{{5, {101, 125, 173}}, {7, {104, 110}}};
  const std::string expected = summary_lines(recs) + dbref::analyse(recs, 100, 1000, {24, 6}).lines;
  EXPECT_EQ(r.output, expected);
  for (const char* line : {"\nk: 5 a: 24(1*24) : 1 diff. a/diff: 24 factor: 1\n",
                           "\nk: 5 a: 1176(49*24) : 3 diff. a/diff: 392 factor: 16.3333\n",
                           "\n5: mod 1176: 101 125 173\n", "\n7: mod 294: 104 110\n",
                           "\nkpowerlcm: 24\nkmodlcm: 1176\ngrange: 1176\n\n"})
    EXPECT_NE(r.output.find(line), std::string::npos) << line;
  // k = 7 never tries a multiplier that lifts the lcm past 20000 (m = 19).
  EXPECT_EQ(r.output.find("(19*6)"), std::string::npos);
}

TEST(ReadDb, EquivalentSpellingsGiveTheSameTables) {
  const std::vector<record> recs{{5, {101, 125, 173}}, {7, {104, 110}}};
  const char* const spellings[] = {
      "2\n100\n1000\nk=5\n101\n125\n173\nk=7\n104\n110\n",  // absolute
      "2\n100\n1000\nk=5\n101\n+24\n+48\nk=7\n104\n+6\n",   // deltas
      "2 100 1000 k=5 101 +24 173 k=7 104 +6",              // one line
      "2\r\n100\r\n1000\r\nk=5\r\n101\r\n+24\r\n173\r\nk=7\r\n104\r\n+6\r\n",
      "\t2\t100 1000\n\n  k=5\t101 +24\n173\vk=7\f104 +6\n\n",  // any white space
      "2 100 1000 kx5 101 +24 +48 k:7 104 110",                 // second character free
  };
  for (const char* text : spellings) {
    const load_result r = load(text, 2);
    ASSERT_TRUE(r.ok) << text << "\n" << r.output;
    EXPECT_EQ(r.output, summary_lines(recs) + dbref::analyse(recs, 100, 1000, {24, 6}).lines)
        << text;
    expect_tables(recs, 100, 1000, text);
  }
}

TEST(ReadDb, SingleNKGetsThatNAsPeriod) {
  const load_result r = load("1 0 2000 k=3 1000", 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.output, "k: 3. n = 0 (mod 1000). 1 n values.\n1 n values in total.\n");
  EXPECT_EQ(akpower[0], 1000u);
  EXPECT_EQ(akequiv[0], 0u);
  EXPECT_EQ(aknres[0], 1u);
}

TEST(ReadDb, HundredAndFourKAreTheLimit) {
  std::vector<record> recs;
  for (int i = 0; i < 104; ++i)
    recs.push_back({2 * i + 1, {10u + static_cast<unsigned>(i), 16u + static_cast<unsigned>(i)}});
  std::string text = dbtest::candidate_text(1, 20000000, recs);
  load_result r = load(text);
  EXPECT_TRUE(r.ok) << r.output;
  EXPECT_EQ(num_k, 104u);
  expect_tables(recs, 1, 20000000, "104 k");

  recs.push_back({999, {7}});
  r = load(dbtest::candidate_text(1, 20000000, recs));
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.output,
            "Error: this version of quorvel is limited to a maximum of 104 k values.\n"
            "Contact Torvan and persuade him to up the limit a bit...\n");
  EXPECT_EQ(num_k, 0u);
  for (const auto& list : aunfacset) EXPECT_TRUE(list.empty());
}

TEST(ReadDb, MissingFileNamesTheFileForTheMode) {
  test::ScratchDir dir;
  const std::string name = (dir / "nothere.dat").string();
  for (int m : {mode_proth, mode_riesel}) {
    ASSERT_TRUE(load(example_file).ok);
    dbtest::reset_config();
    mode = m;
    bool ok = true;
    const std::string out = capture_stdout([&] { ok = read_db(name); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(out, "Error: couldn't open '" + name + "'\n" +
                       (m == mode_proth
                            ? "You need a Zel.dat file to run this program. Get it from the Zel "
                              "forums.\n"
                            : "You need a riesel.dat file to run this program. Get it from the "
                              "Dunmore forums.\n"));
    // Nothing in the k table has changed.
    EXPECT_EQ(num_k, 2u);
    EXPECT_EQ(aunfacset[1], (std::vector<std::uint32_t>{104, 110}));
  }
  // A directory of that name cannot be read either.
  std::filesystem::create_directory(dir / "adir.dat");
  dbtest::reset_config();
  bool ok = true;
  const std::string out = capture_stdout([&] { ok = read_db((dir / "adir.dat").string()); });
  EXPECT_FALSE(ok);
  EXPECT_EQ(
      out.rfind("Error: couldn't open '" + (dir / "adir.dat").string() + "'\nYou need a Zel.dat",
                0),
      0u)
      << out;
}

TEST(ReadDb, MalformedFilesAreRefusedWithOneLine) {
  struct bad_case {
    const char* text;
    const char* says;  // part of the message
  };
  const bad_case cases[] = {
      {"", "header needs three numbers"},
      {"2 100", "header needs three numbers"},
      {"x 100 1000 k=5 101", "header num_k: item 'x' is not a number"},
      {"1 100 4294967296 k=5 101", "header nhigh: item '4294967296' does not fit in 32 bits"},
      {"3 100 1000 k=5 101 k=7 104", "num_k = 3 but the file holds 2 k records"},
      {"1 100 1000 k=5 101 k=7 104", "num_k = 1 but the file holds more k records"},
      {"1 100 1000 101 k=5 103", "item '101' comes before the first k item"},
      {"1 100 1000 k=5 101 1x3", "k=5: item '1x3' is not a number"},
      {"1 100 1000 k=5 101 +", "k=5: item '+' is not a number"},
      {"1 100 1000 k=5 101 -3", "k=5: item '-3' is not a number"},
      {"1 100 1000 k= 101", "k item 'k=' is shorter than three characters"},
      {"1 100 1000 k 101", "k item 'k' is shorter than three characters"},
      {"1 100 1000 k=x 101", "k item 'k=x' does not hold a number"},
      {"1 100 1000 k=5 +101", "k=5: the first n must be absolute, not '+101'"},
      {"1 100 1000 k=5 101 +0", "k=5: delta '+0' is zero"},
      {"1 100 1000 k=5 101 101", "k=5: n = 101 is not above the previous n = 101"},
      {"1 100 1000 k=5 101 99", "k=5: n = 99 is not above the previous n = 101"},
      {"1 100 1000 k=5 4294967296", "k=5: item '4294967296' does not fit in 32 bits"},
      {"1 100 1000 k=5 101 +4294967295", "gives an n that does not fit in 32 bits"},
      {"1 100 1000 k=5 4294967290 +6", "k=5: delta '+6' after n = 4294967290"},
      {"1 100 1000 k=0 101", "k item 'k=0': k must lie in 1 ... 2147483647"},
      {"1 100 1000 k=2147483648 101", "k item 'k=2147483648': k must lie in 1 ... 2147483647"},
      {"1 100 1000 k=99999999999 101", "k item 'k=99999999999' does not fit in 32 bits"},
      {"1 100 1000 k=5 101 1\x01\x7f",
       "item '1?"
       "?' is not a number"},
      {"1 100 1000 k=5 101 123456789012345678901234567890",
       "item '123456789012345678901234...' does not fit"},
  };
  for (const auto& c : cases) {
    const load_result r = load(c.text);
    EXPECT_FALSE(r.ok) << c.text;
    EXPECT_EQ(r.output.rfind("Error: bad candidate file '", 0), 0u) << r.output;
    EXPECT_NE(r.output.find("Zel.dat': "), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.text << " -> " << r.output;
    EXPECT_EQ(std::count(r.output.begin(), r.output.end(), '\n'), 1) << r.output;
    EXPECT_EQ(r.output.back(), '\n');
    EXPECT_EQ(num_k, 0u) << c.text;
  }
  // Right at the limits everything is accepted.
  const load_result r = load("1 0 4294967295 k=2147483647 0 +4294967294 ");
  ASSERT_TRUE(r.ok) << r.output;
  EXPECT_EQ(aunfacset[0], (std::vector<std::uint32_t>{0, 4294967294u}));
}

TEST(ReadDb, EmptyRecordsLoadWithoutClasses) {
  const load_result r = load("3 100 1000 k=5 k=7 104 +6 k=11", 2);
  ASSERT_TRUE(r.ok) << r.output;
  const std::vector<record> recs{{5, {}}, {7, {104, 110}}, {11, {}}};
  EXPECT_EQ(r.output, summary_lines(recs) + dbref::analyse(recs, 100, 1000, {1, 6, 1}).lines);
  EXPECT_NE(r.output.find("k: 5. n = 0 (mod 1). 0 n values.\n"), std::string::npos);
  EXPECT_NE(r.output.find("\n5: mod 1:\n"), std::string::npos);
  EXPECT_EQ(aknres[0], 0u);
  EXPECT_EQ(aknres[2], 0u);
  expect_tables(recs, 100, 1000, "empty records");
}

TEST(ReadDb, SingleNKeepTheirOutputButTheSearchTablesStaySmall) {
  // Periods 1000003, 999983, 1000033 and 999979 (primes) drive the lcm of
  // the periods past 2^64; the others keep a common difference.
  const std::vector<record> recs{{3, {1000003}}, {5, {1000, 1012, 1036}}, {7, {999983}},
                                 {9, {1000033}}, {11, {500, 560, 620}},   {13, {999979}},
                                 {15, {0}}};
  const load_result r = load(dbtest::candidate_text(500, 2000000, recs), 2);
  ASSERT_TRUE(r.ok) << r.output;
  const std::vector<std::uint32_t> periods{1000003, 12, 999983, 1000033, 60, 999979, 1};
  const dbref::analysis shown = dbref::analyse(recs, 500, 2000000, periods);
  ASSERT_GT(shown.kpowerlcm, static_cast<dbref::u128>(~0ULL));
  EXPECT_EQ(r.output, summary_lines(recs) + shown.lines);
  expect_tables(recs, 500, 2000000, "single n");
  EXPECT_LE(kpowerlcm, 20000u);
  EXPECT_LE(kmodlcm, 20000u);
  for (std::uint32_t j = 0; j < num_k; ++j) {
    EXPECT_EQ(periods[j] % akpower[j], 0u);
    for (const std::uint32_t n : aunfacset[j]) {
      EXPECT_EQ(n % akpower[j], akequiv[j]) << "k=" << ak[j] << " n=" << n;
      const auto* row = &akares[10 * j];
      EXPECT_NE(std::find(row, row + aknres[j], n % akmod[j]), row + aknres[j])
          << "k=" << ak[j] << " n=" << n;
    }
  }
}

TEST(ReadDb, RandomFilesMatchTheReference) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 300; ++round) {
    const std::uint32_t nk = 1 + rng() % 8;
    std::vector<record> recs;
    for (std::uint32_t i = 0; i < nk; ++i) {
      record rec;
      rec.k = static_cast<std::int32_t>(1 + rng() % 100000);
      const std::uint32_t step = 1 + rng() % (round % 3 == 0 ? 700 : 40);
      const std::uint32_t count = rng() % 5 == 0 ? 1 : rng() % 60;
      std::uint32_t n = rng() % 5000;
      for (std::uint32_t c = 0; c < count; ++c) {
        rec.n.push_back(n);
        n += step * (1 + rng() % 6);
      }
      recs.push_back(rec);
    }
    const std::uint32_t nlow = rng() % 3000, nhigh = nlow + rng() % 50000000;
    const std::string where = "round " + std::to_string(round);
    const load_result r = load(dbtest::candidate_text(nlow, nhigh, recs, round % 2 == 1), 2);
    ASSERT_TRUE(r.ok) << where << "\n" << r.output;
    std::vector<std::uint32_t> periods;
    for (const auto& rec : recs) {
      std::uint32_t p, a;
      dbref::list_period(rec.n, p, a);
      periods.push_back(p);
    }
    EXPECT_EQ(r.output, summary_lines(recs) + dbref::analyse(recs, nlow, nhigh, periods).lines)
        << where;
    expect_tables(recs, nlow, nhigh, where);
  }
}

TEST(ReadDb, StandardWorkloadLoadsWithItsPeriods) {
  const auto path = test::source_dir() / ".." / "shared" / "workloads" / "std11.dat";
  if (!std::filesystem::exists(path)) GTEST_SKIP() << path << " is missing";
  // The lists by a plain stream parse of the file format.
  std::ifstream in(path);
  std::uint32_t count = 0, lo = 0, hi = 0;
  in >> count >> lo >> hi;
  std::vector<record> recs;
  for (std::string item; in >> item;) {
    if (item[0] == 'k')
      recs.push_back({std::stoi(item.substr(2)), {}});
    else if (item[0] == '+')
      recs.back().n.push_back(recs.back().n.back() + std::stoul(item.substr(1)));
    else
      recs.back().n.push_back(static_cast<std::uint32_t>(std::stoul(item)));
  }
  ASSERT_EQ(recs.size(), count);
  dbtest::reset_config();
  bool ok = false;
  const std::string out = capture_stdout([&] { ok = read_db(path.string()); });
  ASSERT_TRUE(ok) << out;
  EXPECT_EQ(nlow, lo);
  EXPECT_EQ(nhigh, hi);
  std::size_t total = 0;
  for (std::uint32_t j = 0; j < num_k; ++j) {
    EXPECT_EQ(aunfacset[j], recs[j].n) << "k=" << recs[j].k;
    total += aunfacset[j].size();
  }
  EXPECT_EQ(total, 878451u);
  // The standard set: k, residue and period per k.
  const std::int64_t standard[11][3] = {{4847, 15, 24},  {10223, 5, 12},  {19249, 14, 36},
                                        {21181, 20, 24}, {22699, 46, 72}, {24737, 7, 24},
                                        {27653, 33, 36}, {28433, 1, 24},  {33661, 0, 24},
                                        {55459, 10, 12}, {67607, 3, 8}};
  ASSERT_EQ(num_k, 11u);
  for (std::uint32_t j = 0; j < 11; ++j) {
    EXPECT_EQ(ak[j], standard[j][0]);
    EXPECT_EQ(akequiv[j], standard[j][1]) << "k=" << ak[j];
    EXPECT_EQ(akpower[j], standard[j][2]) << "k=" << ak[j];
  }
  EXPECT_EQ(kpowerlcm, 72u);
}

TEST(Toint32, ReadsTheLeadingNumber) {
  EXPECT_EQ(toint32("173"), 173u);
  EXPECT_EQ(toint32("  \t42abc"), 42u);
  EXPECT_EQ(toint32("5=k"), 5u);
  EXPECT_EQ(toint32(""), 0u);
  EXPECT_EQ(toint32("x12"), 0u);
  EXPECT_EQ(toint32("+12"), 0u);
  EXPECT_EQ(toint32("4294967295"), 4294967295u);
  EXPECT_EQ(toint32("4294967296"), 0u);  // modulo 2^32
}

}  // namespace
}  // namespace quorvel
