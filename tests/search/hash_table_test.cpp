// The index of the baby steps: every listed residue found at its first
// position, absent residues (also those sharing a slot with listed ones) not
// found, and starting over forgetting everything.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "search/hash_table.hpp"

namespace quorvel {
namespace {

/// A list where a third of the residues share their low 12 bits (so slots
/// crowd) and some residues repeat.
std::vector<std::uint64_t> crowded_list(std::size_t n, std::mt19937_64& rng) {
  std::vector<std::uint64_t> keys;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t v = rng() >> 14;
    if (i % 3 == 0) v = (v & ~std::uint64_t{0xfff}) | 0x5a5;
    if (i % 7 == 6) v = keys[i / 2];
    keys.push_back(v);
  }
  return keys;
}

TEST(HashTable, FindsFirstPositionsAndNothingElseAlsoInCrowdedSlots) {
  hash_table_t t;
  std::mt19937_64 rng(7);
  for (int round = 0; round < 10; ++round) {
    const std::size_t n = std::vector<std::size_t>{1, 5, 300, 5000, 65535}[round % 5];
    const std::vector<std::uint64_t> keys = crowded_list(n, rng);
    hash_index(t, keys.data(), keys.size());
    std::map<std::uint64_t, std::uint32_t> first;
    for (std::size_t j = 0; j < n; ++j) first.emplace(keys[j], static_cast<std::uint32_t>(j + 1));
    for (const auto& [v, tag] : first) ASSERT_EQ(lookup_hash(t, keys.data(), v), tag) << v;
    for (int probe = 0; probe < 2000; ++probe) {
      std::uint64_t v = rng() >> 14;
      if (probe % 2 == 0) v = (v & ~std::uint64_t{0xfff}) | 0x5a5;
      if (first.count(v) == 0) {
        ASSERT_EQ(lookup_hash(t, keys.data(), v), 0u) << v;
      }
    }
  }
}

TEST(HashTable, StartingOverForgetsTheOldList) {
  hash_table_t t;
  std::mt19937_64 rng(8);
  // A long first list, then lists of two: a stale slot of the first would
  // point past the end of a short list, where the buffer still holds the
  // old residues, so a stale hit would be found.
  std::vector<std::uint64_t> old(3000);
  for (auto& v : old) v = rng() >> 14;
  hash_index(t, old.data(), old.size());
  std::vector<std::uint64_t> keys = old;
  for (int round = 1; round < 200; ++round) {
    keys[0] = rng() >> 14;
    keys[1] = rng() >> 14;
    hash_index(t, keys.data(), 2);
    ASSERT_EQ(lookup_hash(t, keys.data(), keys[0]), 1u);
    ASSERT_EQ(lookup_hash(t, keys.data(), keys[1]), keys[1] == keys[0] ? 1u : 2u);
    if (round < 3 || round % 50 == 0) {
      for (std::uint64_t v : old) {
        if (v != keys[0] && v != keys[1]) {
          ASSERT_EQ(lookup_hash(t, keys.data(), v), 0u) << round;
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
