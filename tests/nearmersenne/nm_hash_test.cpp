// The mode's exponent table against a plain list of (key, exponent) pairs in
// the order stored: the k-th lookup of a key (skip = k - 1) gives its k-th
// stored exponent, keys that share their low bits or whose probe chain
// wraps at the end of the table are told apart, missing keys give 0, and
// emptying the table (also across the wrap of its 16-bit stamp) forgets
// every entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "nearmersenne/nm_hash.hpp"

namespace quorvel {
namespace {

using nm::exponent_table;
using nm::hash_clear;
using nm::hash_lookup;
using nm::hash_store;

/// Exponents stored with `key`, in the order stored.
std::vector<std::uint32_t> stored_with(const std::vector<std::pair<std::uint64_t, std::uint32_t>>& l,
                                       std::uint64_t key) {
  std::vector<std::uint32_t> out;
  for (const auto& [k, e] : l)
    if (k == key) out.push_back(e);
  return out;
}

/// Every key of the list, and `absent`, looked up with every skip count.
void expect_lookups(const std::vector<std::pair<std::uint64_t, std::uint32_t>>& list,
                    const std::vector<std::uint64_t>& absent) {
  for (const auto& [key, e] : list) {
    const auto expected = stored_with(list, key);
    for (std::uint32_t skip = 0; skip <= expected.size(); ++skip) {
      const std::uint32_t want = skip < expected.size() ? expected[skip] : 0;
      ASSERT_EQ(hash_lookup(key, skip), want) << "key=" << key << " skip=" << skip;
    }
  }
  for (std::uint64_t key : absent) ASSERT_EQ(hash_lookup(key, 0), 0u) << "absent key=" << key;
}

TEST(NmHash, TableHasEightOrSixteenSlotsPerExponent) {
  for (std::uint32_t n : {1u, 2u, 3u, 4u, 5u, 500u, 512u, 513u, 1024u, 1025u, 5000u, 65535u}) {
    const std::uint32_t bits = nm::exponent_table_bits(n);
    const std::uint64_t slots = std::uint64_t{1} << bits;
    // The smallest power of two of at least 16n slots when that is at most
    // 8192; otherwise at least 8n slots, never fewer than 8192.
    std::uint64_t want = 16;
    while (want < 16ull * n) want *= 2;
    if (want > 8192) {
      want = 16;
      while (want < 8ull * n) want *= 2;
      if (want < 8192) want = 8192;
    }
    EXPECT_EQ(slots, want) << n;
  }
  nm::exponent_table_init(500);
  EXPECT_EQ(exponent_table.slots.size(), 8192u);
  EXPECT_EQ(exponent_table.mask, 8191u);
  EXPECT_EQ(exponent_table.keys.size(), 501u);
  nm::exponent_table_init(5000);
  EXPECT_EQ(exponent_table.slots.size(), 65536u);
}

TEST(NmHash, CollidingKeysInStoreOrder) {
  nm::exponent_table_init(400);
  const std::uint64_t mask = exponent_table.mask;
  std::mt19937_64 rng(777);
  std::vector<std::pair<std::uint64_t, std::uint32_t>> list;
  // Few distinct home slots, keys repeated under several exponents, keys
  // that differ only above the slot bits.
  std::vector<std::uint64_t> keys;
  for (int i = 0; i < 60; ++i) keys.push_back(((rng() % 40) << 20) | (rng() % 8));
  for (std::uint32_t e = 1; e <= 400; ++e) {
    const std::uint64_t key = keys[rng() % keys.size()];
    hash_store(key, e);
    list.emplace_back(key, e);
  }
  std::vector<std::uint64_t> absent;
  for (int i = 0; i < 50; ++i) absent.push_back(((41 + rng() % 100) << 20) | (rng() % 8));
  absent.push_back(mask + 1);  // home slot 0, never stored
  expect_lookups(list, absent);
}

TEST(NmHash, ChainsWrapAtTheEndOfTheTable) {
  nm::exponent_table_init(16);
  const std::uint64_t last = exponent_table.mask;
  std::vector<std::pair<std::uint64_t, std::uint32_t>> list;
  for (std::uint32_t e = 1; e <= 6; ++e) {
    const std::uint64_t key = (std::uint64_t{e} << 32) | last;  // all home in the last slot
    hash_store(key, e);
    list.emplace_back(key, e);
  }
  hash_store(1, 7);  // slot 1, taken by the wrapped chain: goes further on
  list.emplace_back(1, 7);
  // A missing key homed in the last slot walks the wrapped chain to its end.
  expect_lookups(list, {(std::uint64_t{99} << 32) | last, 0, 2 + (std::uint64_t{5} << 32)});
  EXPECT_EQ(exponent_table.slots[0] & 0xFFFFu, 2u);
  EXPECT_EQ(exponent_table.slots[1] & 0xFFFFu, 3u);
}

TEST(NmHash, ClearingForgetsEverythingAlsoAcrossTheStampWrap) {
  nm::exponent_table_init(100);
  std::mt19937_64 rng(4242);
  for (int round = 0; round < 70000; ++round) {
    hash_clear();
    const bool check = round % 997 == 0 || (round >= 65530 && round <= 65540);
    if (!check) {
      // A store now and then keeps old stamps in the slots.
      hash_store(rng() % 1000, 1 + static_cast<std::uint32_t>(rng() % 100));
      continue;
    }
    std::vector<std::pair<std::uint64_t, std::uint32_t>> list;
    for (std::uint32_t e = 1; e <= 100; ++e) {
      const std::uint64_t key = rng() % 1000;
      list.emplace_back(key, e);
    }
    // Before storing, nothing of earlier rounds may be found.
    for (const auto& [key, e] : list) ASSERT_EQ(hash_lookup(key, 0), 0u) << "round " << round;
    for (const auto& [key, e] : list) hash_store(key, e);
    expect_lookups(list, {1000, 1001, 5000});
    if (testing::Test::HasFatalFailure()) return;
  }
}

TEST(NmHash, ExponentsOutsideTheTableAreIgnored) {
  nm::exponent_table_init(10);
  hash_store(5, 0);
  hash_store(5, 11);
  hash_store(5, 65536);  // 0 in 16 bits
  EXPECT_EQ(hash_lookup(5, 0), 0u);
  hash_store(5, 10);
  EXPECT_EQ(hash_lookup(5, 0), 10u);
  EXPECT_EQ(hash_lookup(5, 1), 0u);
}

TEST(NmHash, AFullTableKeepsOneEmptySlot) {
  // Storing the same exponent again and again (never done by the sieve)
  // must not fill every slot: lookups still end.
  nm::exponent_table_init(4);
  const std::uint32_t slots = exponent_table.mask + 1;
  for (std::uint32_t i = 0; i < slots + 10; ++i) hash_store(3, 1);
  EXPECT_EQ(hash_lookup(3, 0), 1u);
  EXPECT_EQ(hash_lookup(3, slots - 2), 1u);
  EXPECT_EQ(hash_lookup(3, slots - 1), 0u);
  EXPECT_EQ(hash_lookup(4, 0), 0u);
}

TEST(NmHash, LookupBeforeSetUpFindsNothing) {
  exponent_table = {};
  hash_store(7, 1);
  EXPECT_EQ(hash_lookup(7, 0), 0u);
}

}  // namespace
}  // namespace quorvel
