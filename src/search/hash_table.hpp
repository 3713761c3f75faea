// Open-addressing hash table from residues modulo p to exponent tags, for the
// baby-step giant-step searches. A residue's home slot is its lowest bits;
// collisions go to the next slot (linear probing, wrapping). Equal residues
// may be stored several times with different tags and are met, along the
// probe chain, in the order they were stored.
//
// The table is sized per build to at least twice the number of entries it
// will hold, so probe chains stay short. A slot is in use when its stamp
// equals the table's current epoch, so emptying the table is one increment
// (the slots are cleared only when the 32-bit epoch wraps). Tags are 32-bit,
// so no n range can overflow them.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvel {

struct hash_slot_t {
  std::uint64_t key;
  std::uint32_t tag;
  std::uint32_t stamp;
};

struct hash_table_t {
  std::vector<hash_slot_t> slots;
  /// Slots in use minus one (a power of two minus one).
  std::uint64_t mask = 0;
  /// Stamp of the slots filled since the last reset.
  std::uint32_t epoch = 0;
};

/// Empties the table and sizes it for `entries` stores.
inline void hash_reset(hash_table_t& t, std::uint64_t entries) {
  std::uint64_t size = 16;
  while (size < 2 * entries) size <<= 1;
  if (t.slots.size() < size) t.slots.resize(size, hash_slot_t{0, 0, 0});
  t.mask = size - 1;
  if (++t.epoch == 0) {
    for (hash_slot_t& s : t.slots) s.stamp = 0;
    t.epoch = 1;
  }
}

/// Stores (v, tag) at the first free slot of v's probe chain.
inline void store_hash(hash_table_t& t, std::uint64_t v, std::uint32_t tag) {
  std::uint64_t s = v & t.mask;
  while (t.slots[s].stamp == t.epoch) s = (s + 1) & t.mask;
  t.slots[s] = {v, tag, t.epoch};
}

/// The tag of the (skip+1)-th slot holding v along its probe chain, or 0.
inline std::uint32_t lookup_hash(const hash_table_t& t, std::uint64_t v, std::uint32_t skip) {
  for (std::uint64_t s = v & t.mask; t.slots[s].stamp == t.epoch; s = (s + 1) & t.mask) {
    if (t.slots[s].key == v) {
      if (skip == 0) return t.slots[s].tag;
      --skip;
    }
  }
  return 0;
}

/// Calls f(tag) for every tag stored under v, in the order stored.
template <typename F>
inline void for_each_tag(const hash_table_t& t, std::uint64_t v, F&& f) {
  for (std::uint64_t s = v & t.mask; t.slots[s].stamp == t.epoch; s = (s + 1) & t.mask)
    if (t.slots[s].key == v) f(t.slots[s].tag);
}

}  // namespace quorvel
