// The baby-step table: every stored residue found with its first tag, absent
// residues (also those sharing a slot with stored ones) not found, and a
// reset forgetting everything.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "search/hash_table.hpp"

namespace quorvel {
namespace {

TEST(HashTable, FindsFirstTagsAndNothingElseAlsoInCrowdedSlots) {
  hash_table_t t;
  std::mt19937_64 rng(7);
  for (std::uint64_t entries : {1u, 5u, 300u, 5000u}) {
    hash_reset(t, entries);
    std::map<std::uint64_t, std::uint32_t> first;
    for (std::uint32_t i = 0; i < entries; ++i) {
      // A third of the residues share their low 12 bits, so slots crowd;
      // some residues are stored twice under different tags.
      std::uint64_t v = rng() >> 14;
      if (i % 3 == 0) v = (v & ~std::uint64_t{0xfff}) | 0x5a5;
      if (i % 7 == 6 && !first.empty()) v = first.begin()->first;
      store_hash(t, v, i + 1);
      first.emplace(v, i + 1);
    }
    for (const auto& [v, tag] : first) EXPECT_EQ(lookup_hash(t, v), tag) << v;
    for (int probe = 0; probe < 2000; ++probe) {
      std::uint64_t v = rng() >> 14;
      if (probe % 2 == 0) v = (v & ~std::uint64_t{0xfff}) | 0x5a5;
      if (first.count(v) == 0) {
        EXPECT_EQ(lookup_hash(t, v), 0u) << v;
      }
    }
  }
  hash_reset(t, 10);
  EXPECT_EQ(lookup_hash(t, 0x5a5), 0u);
}

}  // namespace
}  // namespace quorvel
