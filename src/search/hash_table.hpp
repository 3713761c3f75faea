// Hash table from residues modulo p to exponent tags, for the baby steps of
// the prime-order logarithms (subgroup_dlog). Direct-mapped: a residue's slot
// is its lowest bits, and the slot holds the number of the entry stored there
// (entries are kept in store order), or `crowded` when several residues share
// it. With at least eight slots per entry nearly every lookup of an absent
// residue reads one empty slot, a branch that is almost never taken; a
// crowded slot falls back to a scan of the entries. Tags are 32-bit, so no n
// range can overflow them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quorvel {

struct hash_table_t {
  static constexpr std::uint32_t crowded = ~std::uint32_t{0};
  /// 0 = empty, crowded, or 1 + the number of the entry in the slot.
  std::vector<std::uint32_t> slot;
  std::vector<std::uint64_t> key;
  std::vector<std::uint32_t> tag;
  /// Slots in use minus one (a power of two minus one).
  std::uint64_t mask = 0;
};

/// Empties the table and sizes it for `entries` stores.
inline void hash_reset(hash_table_t& t, std::uint64_t entries) {
  std::uint64_t size = 64;
  while (size < 8 * entries) size <<= 1;
  if (t.slot.size() < size) t.slot.resize(size);
  t.mask = size - 1;
  std::fill(t.slot.begin(), t.slot.begin() + static_cast<std::ptrdiff_t>(size), 0u);
  t.key.clear();
  t.tag.clear();
}

/// Stores (v, tag).
inline void store_hash(hash_table_t& t, std::uint64_t v, std::uint32_t tag) {
  t.key.push_back(v);
  t.tag.push_back(tag);
  std::uint32_t& s = t.slot[v & t.mask];
  s = s == 0 ? static_cast<std::uint32_t>(t.key.size()) : hash_table_t::crowded;
}

/// The tag first stored under v, or 0 when v is not stored.
inline std::uint32_t lookup_hash(const hash_table_t& t, std::uint64_t v) {
  const std::uint32_t s = t.slot[v & t.mask];
  if (s == 0) [[likely]]
    return 0;
  if (s != hash_table_t::crowded) return t.key[s - 1] == v ? t.tag[s - 1] : 0;
  const auto it = std::find(t.key.begin(), t.key.end(), v);
  return it == t.key.end() ? 0 : t.tag[static_cast<std::size_t>(it - t.key.begin())];
}

}  // namespace quorvel
