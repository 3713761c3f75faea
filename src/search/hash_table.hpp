// Open-addressing hash table from residues modulo p to exponent tags, for the
// baby-step giant-step searches. A residue's home slot is its lowest bits;
// collisions go to the next slot (linear probing, wrapping). Equal residues
// may be stored several times with different tags and are met, along the
// probe chain, in the order they were stored. Tag 0 marks an empty slot.
//
// The table is sized per build to at least twice the number of entries it
// will hold, so probe chains stay short and only the used part is cleared;
// tags are 32-bit, so no n range can overflow them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quorvel {

struct hash_table_t {
  /// The stored residue of each slot.
  std::vector<std::uint64_t> ahash;
  /// The tag of each slot, 0 when the slot is empty.
  std::vector<std::uint32_t> ahashexp;
  /// Slots in use minus one (a power of two minus one).
  std::uint64_t mask = 0;
};

/// Empties the table and sizes it for `entries` stores.
inline void hash_reset(hash_table_t& t, std::uint64_t entries) {
  std::uint64_t slots = 16;
  while (slots < 2 * entries) slots <<= 1;
  if (t.ahash.size() < slots) {
    t.ahash.resize(slots);
    t.ahashexp.resize(slots);
  }
  t.mask = slots - 1;
  std::fill(t.ahashexp.begin(), t.ahashexp.begin() + static_cast<std::ptrdiff_t>(slots), 0u);
}

/// Stores (v, tag) at the first empty slot of v's probe chain; tag != 0.
inline void store_hash(hash_table_t& t, std::uint64_t v, std::uint32_t tag) {
  std::uint64_t s = v & t.mask;
  while (t.ahashexp[s] != 0) s = (s + 1) & t.mask;
  t.ahash[s] = v;
  t.ahashexp[s] = tag;
}

/// The tag of the (skip+1)-th slot holding v along its probe chain, or 0.
inline std::uint32_t lookup_hash(const hash_table_t& t, std::uint64_t v, std::uint32_t skip) {
  for (std::uint64_t s = v & t.mask; t.ahashexp[s] != 0; s = (s + 1) & t.mask) {
    if (t.ahash[s] == v) {
      if (skip == 0) return t.ahashexp[s];
      --skip;
    }
  }
  return 0;
}

/// Calls f(tag) for every tag stored under v, in the order stored.
template <typename F>
inline void for_each_tag(const hash_table_t& t, std::uint64_t v, F&& f) {
  for (std::uint64_t s = v & t.mask; t.ahashexp[s] != 0; s = (s + 1) & t.mask)
    if (t.ahash[s] == v) f(t.ahashexp[s]);
}

}  // namespace quorvel
