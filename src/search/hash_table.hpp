// Index of the baby steps of the logarithms (subgroup_dlog): the steps are a
// list of residues modulo p, keys[j] for j = 0, 1, ..., and the index finds
// the first j under which a residue is listed. Direct-mapped: a residue's
// slot is its lowest bits. A 16-bit slot holds 0 (empty) or 1 + the first
// position whose key maps to it; the positions sharing a slot are chained,
// in increasing order, through `next`. With at least eight slots per entry
// nearly every lookup of an absent residue reads one empty slot, a branch
// that is almost never taken.
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
  /// The most keys a table indexes.
  static constexpr std::uint64_t max_entries = 0xffff;
  std::vector<std::uint16_t> slot;
  /// 1 + the next position in the same slot, or 0 at the end of the chain.
  std::vector<std::uint16_t> next;
  /// Slots in use minus one (a power of two minus one).
  std::uint64_t mask = 0;
};

/// Starts the table over and records keys[0 .. count) at their positions;
/// count at most hash_table_t::max_entries.
inline void hash_index(hash_table_t& t, const std::uint64_t* keys, std::uint64_t count) {
  std::uint64_t size = 64;
  while (size < 8 * count) size <<= 1;
  if (t.slot.size() < size) t.slot.resize(size);
  if (t.next.size() < count) t.next.resize(count);
  t.mask = size - 1;
  std::fill_n(t.slot.begin(), size, std::uint16_t{0});
  // Backwards, each position in front of its slot's chain: the chains come
  // out in increasing order.
  std::uint16_t* slot = t.slot.data();
  std::uint16_t* next = t.next.data();
  const std::uint64_t mask = t.mask;
  for (std::uint64_t j = count; j-- > 0;) {
    std::uint16_t& s = slot[keys[j] & mask];
    next[j] = s;
    s = static_cast<std::uint16_t>(j + 1);
  }
}

/// 1 + the first j with keys[j] = v among the indexed residues, or 0.
inline std::uint32_t lookup_hash(const hash_table_t& t, const std::uint64_t* keys,
                                 std::uint64_t v) {
  std::uint32_t entry = t.slot[v & t.mask];
  if (entry == 0) [[likely]]
    return 0;
  while (entry != 0 && keys[entry - 1] != v) entry = t.next[entry - 1];
  return entry;
}

}  // namespace quorvel
