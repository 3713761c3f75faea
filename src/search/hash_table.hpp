// Open-addressing hash table from residues modulo p to exponent tags, for the
// baby steps of the prime-order logarithms (subgroup_dlog). A residue's home
// slot is its lowest bits; collisions go to the next slot (linear probing,
// wrapping). A lookup finds the first tag stored under a residue.
//
// Probing reads only a 16-bit fingerprint per slot (0 = empty, otherwise bits
// 40.. of the residue with the low bit forced on); the residue itself is
// compared only when the fingerprint matches. The table is sized per build to
// four times the entries it will hold, so most lookups of an absent residue
// end at the first slot, and the fingerprints of even a large table stay in
// the first-level cache. Emptying clears just the fingerprints in use. Tags
// are 32-bit, so no n range can overflow them.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quorvel {

struct hash_table_t {
  std::vector<std::uint16_t> fingerprint;
  std::vector<std::uint64_t> key;
  std::vector<std::uint32_t> tag;
  /// Slots in use minus one (a power of two minus one).
  std::uint64_t mask = 0;
};

inline std::uint16_t hash_fingerprint(std::uint64_t v) {
  return static_cast<std::uint16_t>((v >> 40) | 1);
}

/// Empties the table and sizes it for `entries` stores.
inline void hash_reset(hash_table_t& t, std::uint64_t entries) {
  std::uint64_t size = 16;
  while (size < 4 * entries) size <<= 1;
  if (t.fingerprint.size() < size) {
    t.fingerprint.resize(size);
    t.key.resize(size);
    t.tag.resize(size);
  }
  t.mask = size - 1;
  std::fill(t.fingerprint.begin(), t.fingerprint.begin() + static_cast<std::ptrdiff_t>(size),
            std::uint16_t{0});
}

/// Stores (v, tag) at the first free slot of v's probe chain.
inline void store_hash(hash_table_t& t, std::uint64_t v, std::uint32_t tag) {
  std::uint64_t s = v & t.mask;
  while (t.fingerprint[s] != 0) s = (s + 1) & t.mask;
  t.fingerprint[s] = hash_fingerprint(v);
  t.key[s] = v;
  t.tag[s] = tag;
}

/// The tag first stored under v, or 0 when v is not stored.
inline std::uint32_t lookup_hash(const hash_table_t& t, std::uint64_t v) {
  const std::uint16_t fp = hash_fingerprint(v);
  for (std::uint64_t s = v & t.mask; t.fingerprint[s] != 0; s = (s + 1) & t.mask)
    if (t.fingerprint[s] == fp && t.key[s] == v) return t.tag[s];
  return 0;
}

}  // namespace quorvel
