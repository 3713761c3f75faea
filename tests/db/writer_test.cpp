// dump_db and write_npg: worked examples byte for byte, the range
// and repeat rules, round trips through read_db, the npg order against a
// plain sort, and a failed write that leaves the old file alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "db/candidate_file.hpp"
#include "db_test_util.hpp"

namespace quorvel {
namespace {

/// Puts the given lists straight into the k table.
void set_table(std::uint32_t lo, std::uint32_t hi, const std::vector<dbref::record>& recs) {
  num_k = static_cast<std::uint32_t>(recs.size());
  nlow = lo;
  nhigh = hi;
  for (auto& list : aunfacset) list.clear();
  for (std::size_t j = 0; j < recs.size(); ++j) {
    ak[j] = recs[j].k;
    aunfacset[j] = recs[j].n;
  }
}

std::string dumped(bool full) {
  test::ScratchDir dir;
  dbtest::reset_config();
  writefulln = full;
  EXPECT_TRUE(dump_db((dir / "Zel.dat").string()));
  // Only the written file is left: no temporary beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
  return test::read_file(dir / "Zel.dat");
}

std::string npg(std::uint64_t pmax) {
  test::ScratchDir dir;
  EXPECT_TRUE(write_npg((dir / "out.npg").string(), pmax));
  return test::read_file(dir / "out.npg");
}

TEST(DumpDb, ExampleAfterARemoval) {
  set_table(100, 1000, {{5, {101, 125, 173}}, {7, {110}}});
  EXPECT_EQ(dumped(false), "2\n100\n1000\nk=5\n101\n+24\n+48\nk=7\n110\n");
  EXPECT_EQ(dumped(true), "2\n100\n1000\nk=5\n101\n125\n173\nk=7\n110\n");
}

TEST(DumpDb, KeepsTheRangeAndWritesRepeatsOnce) {
  set_table(100, 1000, {{5, {90, 120}}, {7, {99, 100, 100, 150, 1000, 1000, 1001}}, {9, {5}}});
  EXPECT_EQ(dumped(false), "3\n100\n1000\nk=5\n120\nk=7\n100\n+50\n+850\nk=9\n");
  // A written 0 leaves the next n absolute too.
  set_table(0, 50, {{3, {0, 0, 7, 9}}});
  EXPECT_EQ(dumped(false), "1\n0\n50\nk=3\n0\n7\n+2\n");
  set_table(10, 20, {});
  EXPECT_EQ(dumped(false), "0\n10\n20\n");
  // The top of the 32-bit range ends the record.
  set_table(4294967290u, 4294967295u, {{3, {4294967289u, 4294967293u, 4294967295u}}});
  EXPECT_EQ(dumped(false), "1\n4294967290\n4294967295\nk=3\n4294967293\n+2\n");
  // A range with nlow above nhigh keeps nothing.
  set_table(500, 400, {{3, {450}}});
  EXPECT_EQ(dumped(true), "1\n500\n400\nk=3\n");
}

TEST(WriteNpg, ExampleAndEdges) {
  // The header names the form: P and mask 257 for k*2^n+1 (Proth), M and
  // mask 258 for k*2^n-1 (Riesel).
  set_table(100, 1000, {{5, {101, 125, 173}}, {7, {104, 110}}});
  EXPECT_EQ(npg(2000000000), "2000000000:P:0:2:257\n5 101\n7 104\n7 110\n5 125\n5 173\n");
  mode = mode_riesel;
  EXPECT_EQ(npg(2000000000), "2000000000:M:0:2:258\n5 101\n7 104\n7 110\n5 125\n5 173\n");
  // Everything is written, out of range and repeated entries too, equal n in
  // k-index order; 4294967295 never.
  set_table(100, 1000, {{5, {90, 120, 120, 4294967295u}}, {3, {120, 2000}}});
  EXPECT_EQ(npg(1125899906842624ULL),
            "1125899906842624:M:0:2:258\n5 90\n5 120\n5 120\n3 120\n3 2000\n");
  // The largest depth, 2^62, in the same format.
  EXPECT_EQ(npg(4611686018427387904ULL),
            "4611686018427387904:M:0:2:258\n5 90\n5 120\n5 120\n3 120\n3 2000\n");
  set_table(100, 1000, {});
  EXPECT_EQ(npg(7), "7:M:0:2:258\n");
}

TEST(WriteNpg, MatchesAPlainSortOfAllEntries) {
  std::mt19937 rng(777);
  for (int round = 0; round < 20; ++round) {
    std::vector<dbref::record> recs(1 + rng() % 104);
    std::vector<std::tuple<std::uint32_t, std::size_t, std::int32_t>> all;
    for (std::size_t j = 0; j < recs.size(); ++j) {
      recs[j].k = static_cast<std::int32_t>(rng() % 2000000);
      const std::uint32_t count = rng() % 200;
      for (std::uint32_t c = 0; c < count; ++c) recs[j].n.push_back(rng() % 5000);
      if (rng() % 4 == 0) recs[j].n.push_back(4294967295u);
      std::sort(recs[j].n.begin(), recs[j].n.end());
      for (const std::uint32_t n : recs[j].n)
        if (n != 4294967295u) all.emplace_back(n, j, recs[j].k);
    }
    std::sort(all.begin(), all.end());
    mode = round % 2 == 0 ? mode_proth : mode_riesel;
    std::string expected = mode == mode_proth ? "123456789:P:0:2:257\n" : "123456789:M:0:2:258\n";
    for (const auto& [n, j, k] : all)
      expected += std::to_string(k) + " " + std::to_string(n) + "\n";
    set_table(0, 10000, recs);
    ASSERT_EQ(npg(123456789), expected) << "round " << round;
  }
}

TEST(DumpDb, RoundTripsThroughTheReader) {
  std::mt19937 rng(4242);
  for (int round = 0; round < 40; ++round) {
    const std::uint32_t lo = rng() % 1000, hi = lo + rng() % 100000;
    std::vector<dbref::record> recs(rng() % 12), kept;
    for (auto& r : recs) {
      r.k = static_cast<std::int32_t>(1 + rng() % 100000);
      std::uint32_t n = rng() % 2000;
      const std::uint32_t count = rng() % 300;
      for (std::uint32_t c = 0; c < count; ++c) {
        r.n.push_back(n);
        n += 1 + rng() % 700;
      }
      dbref::record in_range{r.k, {}};
      for (const std::uint32_t v : r.n)
        if (v >= lo && v <= hi) in_range.n.push_back(v);
      kept.push_back(in_range);
    }
    for (const bool full : {false, true}) {
      set_table(lo, hi, recs);
      test::ScratchDir dir;
      const std::string name = (dir / "Zel.dat").string();
      dbtest::reset_config();
      writefulln = full;
      ASSERT_TRUE(dump_db(name));
      for (auto& list : aunfacset) list.assign({1, 2, 3});
      bool ok = false;
      const std::string out = dbtest::capture_stdout([&] { ok = read_db(name); });
      ASSERT_TRUE(ok) << out;
      EXPECT_EQ(nlow, lo);
      EXPECT_EQ(nhigh, hi);
      const auto loaded = dbtest::loaded_records();
      ASSERT_EQ(loaded.size(), kept.size());
      for (std::size_t j = 0; j < kept.size(); ++j) {
        EXPECT_EQ(loaded[j].k, kept[j].k);
        EXPECT_EQ(loaded[j].n, kept[j].n) << "round " << round << " k index " << j;
      }
    }
  }
}

TEST(DumpDb, AFailedWriteKeepsTheOldFile) {
  set_table(100, 1000, {{5, {101}}});
  test::ScratchDir dir;
  EXPECT_FALSE(dump_db((dir / "missing" / "Zel.dat").string()));
  EXPECT_FALSE(write_npg((dir / "missing" / "out.npg").string(), 5));
  // A directory in the way cannot be replaced by the file.
  std::filesystem::create_directory(dir / "Zel.dat");
  test::write_file(dir / "Zel.dat" / "inside", "old");
  EXPECT_FALSE(dump_db((dir / "Zel.dat").string()));
  EXPECT_EQ(test::read_file(dir / "Zel.dat" / "inside"), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                          std::filesystem::directory_iterator()),
            1);
}

}  // namespace
}  // namespace quorvel
