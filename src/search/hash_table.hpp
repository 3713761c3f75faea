// Index of the baby steps of the logarithms (subgroup_dlog): the steps are a
// list of residues modulo p, keys[j] for j = 0, 1, ..., and the index finds
// the first j under which a residue is listed. Direct-mapped: a residue's
// slot is its lowest bits. A slot holds the generation of the table in its
// high 16 bits and 1 + j in its low ones, or `crowded` there when several
// listed residues share it (a lookup then scans the list). A slot of an older
// generation is empty, so starting a table over clears nothing (except once
// every 65535 generations). With at least eight slots per entry nearly every
// lookup of an absent residue reads one empty slot, a branch that is almost
// never taken.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quorvel {

struct hash_table_t {
  static constexpr std::uint32_t crowded = 0xffff;
  std::vector<std::uint32_t> slot;
  /// Slots in use minus one (a power of two minus one).
  std::uint64_t mask = 0;
  /// The generation: slots of other generations are empty.
  std::uint32_t stamp = 0;
};

/// Starts the table over, sized for `entries` stores.
inline void hash_reset(hash_table_t& t, std::uint64_t entries) {
  std::uint64_t size = 64;
  while (size < 8 * entries) size <<= 1;
  if (t.slot.size() < size) t.slot.resize(size, 0);  // new slots: generation 0, empty
  t.mask = size - 1;
  if (++t.stamp > 0xffff) {
    std::fill(t.slot.begin(), t.slot.end(), 0u);
    t.stamp = 1;
  }
}

/// Records that the list holds v at position j.
inline void store_hash(hash_table_t& t, std::uint64_t v, std::uint32_t j) {
  std::uint32_t& s = t.slot[v & t.mask];
  const bool empty = (s >> 16) != t.stamp;
  const std::uint32_t entry = j < hash_table_t::crowded - 1 ? j + 1 : hash_table_t::crowded;
  s = (t.stamp << 16) | (empty ? entry : hash_table_t::crowded);
}

/// Starts the table over and records keys[0 .. count) at their positions.
inline void hash_index(hash_table_t& t, const std::uint64_t* keys, std::uint64_t count) {
  hash_reset(t, count);
  if (count >= hash_table_t::crowded - 1) {
    for (std::uint64_t j = 0; j < count; ++j) store_hash(t, keys[j], static_cast<std::uint32_t>(j));
    return;
  }
  // Every position fits the slot: one load and one store per key.
  const std::uint32_t stamp = t.stamp, high = stamp << 16;
  std::uint32_t* slot = t.slot.data();
  for (std::uint32_t j = 0; j < count; ++j) {
    std::uint32_t& s = slot[keys[j] & t.mask];
    s = high | ((s >> 16) == stamp ? hash_table_t::crowded : j + 1);
  }
}

/// 1 + the first j with keys[j] = v among the `count` listed residues, or 0.
inline std::uint32_t lookup_hash(const hash_table_t& t, const std::uint64_t* keys,
                                 std::uint64_t count, std::uint64_t v) {
  const std::uint32_t s = t.slot[v & t.mask];
  if ((s >> 16) != t.stamp) [[likely]]
    return 0;
  const std::uint32_t entry = s & 0xffff;
  if (entry != hash_table_t::crowded) return keys[entry - 1] == v ? entry : 0;
  const std::uint64_t* it = std::find(keys, keys + count, v);
  return it == keys + count ? 0 : static_cast<std::uint32_t>(it - keys) + 1;
}

}  // namespace quorvel
