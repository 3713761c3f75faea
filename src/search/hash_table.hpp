// Index of the baby steps of the logarithms (subgroup_dlog): the steps are a
// list of residues modulo p, keys[j] for j = 0, 1, ..., and the index finds
// the first j under which a residue is listed. Direct-mapped: a residue's
// slot is its lowest bits. A 16-bit slot holds 0 (empty), 1 + j, or
// `crowded` when several listed residues share it (a lookup then scans the
// list). With at least eight slots per entry nearly every lookup of an
// absent residue reads one empty slot, a branch that is almost never taken.
//
// Starting over clears the slots in use with one sequential fill: the table
// is rebuilt for every prime, long after its lines have left the first-level
// cache, and a fill streams them in where scattered first stores would each
// wait for a line. Two bytes per slot keep the table small.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quorvel {

struct hash_table_t {
  static constexpr std::uint16_t crowded = 0xffff;
  std::vector<std::uint16_t> slot;
  /// Slots in use minus one (a power of two minus one).
  std::uint64_t mask = 0;
};

/// Starts the table over, sized for `entries` stores.
inline void hash_reset(hash_table_t& t, std::uint64_t entries) {
  std::uint64_t size = 64;
  while (size < 8 * entries) size <<= 1;
  if (t.slot.size() < size) t.slot.resize(size);
  t.mask = size - 1;
  std::fill_n(t.slot.begin(), size, std::uint16_t{0});
}

/// Records that the list holds v at position j.
inline void store_hash(hash_table_t& t, std::uint64_t v, std::uint32_t j) {
  std::uint16_t& s = t.slot[v & t.mask];
  const std::uint16_t entry =
      j < hash_table_t::crowded - 1 ? static_cast<std::uint16_t>(j + 1) : hash_table_t::crowded;
  s = s == 0 ? entry : hash_table_t::crowded;
}

/// Starts the table over and records keys[0 .. count) at their positions.
inline void hash_index(hash_table_t& t, const std::uint64_t* keys, std::uint64_t count) {
  hash_reset(t, count);
  if (count >= hash_table_t::crowded - 1) {
    for (std::uint64_t j = 0; j < count; ++j) store_hash(t, keys[j], static_cast<std::uint32_t>(j));
    return;
  }
  // Every position fits the slot: one load and one store per key.
  std::uint16_t* slot = t.slot.data();
  const std::uint64_t mask = t.mask;
  for (std::uint32_t j = 0; j < count; ++j) {
    std::uint16_t& s = slot[keys[j] & mask];
    s = s == 0 ? static_cast<std::uint16_t>(j + 1) : hash_table_t::crowded;
  }
}

/// 1 + the first j with keys[j] = v among the `count` listed residues, or 0.
inline std::uint32_t lookup_hash(const hash_table_t& t, const std::uint64_t* keys,
                                 std::uint64_t count, std::uint64_t v) {
  const std::uint32_t entry = t.slot[v & t.mask];
  if (entry == 0) [[likely]]
    return 0;
  if (entry != hash_table_t::crowded) return keys[entry - 1] == v ? entry : 0;
  const std::uint64_t* it = std::find(keys, keys + count, v);
  return it == keys + count ? 0 : static_cast<std::uint32_t>(it - keys) + 1;
}

}  // namespace quorvel
