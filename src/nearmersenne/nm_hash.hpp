// The near-Mersenne mode's own exponent table: for one prime p it maps the
// powers 2^i mod p met so far to their exponent i. It is private to this
// module and shares nothing with the search's table.
//
// Open addressing with linear probing: a key's home slot is its lowest bits,
// a collision moves on to the next slot, wrapping at the end. A slot is one
// 32-bit word, (stamp << 16) | exponent; the key itself is kept beside it, in
// a second array indexed by the exponent, so a probe reads 4 bytes and only
// a candidate slot costs a look at its key. The slot is in use when its stamp
// is the table's current one, so emptying the table for the next prime is one
// increment (the words are cleared only when the 16-bit stamp runs out).
// The table has at least eight slots per exponent it will ever hold (sixteen
// while it fits in 32 KiB), which keeps the probe chains short and the whole
// table small enough to stay in the processor's caches.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvel::nm {

struct exponent_table_t {
  /// (stamp << 16) | exponent per slot; a power-of-two number of slots.
  std::vector<std::uint32_t> slots;
  /// keys[i] = the key stored with exponent i (valid while i is in a slot).
  std::vector<std::uint64_t> keys;
  /// Number of slots minus one.
  std::uint32_t mask = 0;
  /// Current stamp, shifted into the high half of a slot word (never 0).
  std::uint32_t stamp = 1u << 16;
  /// Slots in use under the current stamp.
  std::uint32_t used = 0;
};

/// The table of this mode; sized by exponent_table_init, kept until exit.
extern exponent_table_t exponent_table;

/// Sizes the table for exponents 1 .. max_exponent (at most 65535) and
/// empties it; throws std::bad_alloc when memory is short.
void exponent_table_init(std::uint32_t max_exponent);

/// log2 of the slot count chosen for max_exponent: at least 16 slots per
/// exponent while that is at most 2^13 slots, else at least 8 (at least 16
/// slots in all).
std::uint32_t exponent_table_bits(std::uint32_t max_exponent);

/// Empties the table (start of a new prime).
inline void hash_clear(exponent_table_t& t = exponent_table) {
  t.used = 0;
  t.stamp += 1u << 16;
  if (t.stamp == 0) {  // all 16-bit stamps used: clear the words once
    for (std::uint32_t& s : t.slots) s = 0;
    t.stamp = 1u << 16;
  }
}

/// Puts (key, exponent) into the first empty slot at or after the key's
/// slot. The exponent is kept in 16 bits and must be 1 .. 65535 (0 would
/// read as empty) and at most the table's max_exponent; within one prime
/// every exponent is stored at most once. Other calls are ignored, and so
/// is a store that would leave no slot empty (lookups end at an empty slot).
inline void hash_store(std::uint64_t key, std::uint32_t exponent,
                       exponent_table_t& t = exponent_table) {
  const std::uint32_t e = exponent & 0xFFFFu;
  if (e == 0 || e >= t.keys.size() || t.used >= t.mask) return;
  ++t.used;
  std::uint32_t s = static_cast<std::uint32_t>(key) & t.mask;
  while ((t.slots[s] & 0xFFFF0000u) == t.stamp) s = (s + 1) & t.mask;
  t.slots[s] = t.stamp | e;
  t.keys[e] = key;
}

/// The exponent of the (skip + 1)-th slot holding the key, met in probe
/// order from the key's slot; 0 when an empty slot comes first. With
/// skip = 0 that is the earliest stored exponent of the key.
inline std::uint32_t hash_lookup(std::uint64_t key, std::uint32_t skip,
                                 const exponent_table_t& t = exponent_table) {
  if (t.slots.empty()) return 0;
  std::uint32_t s = static_cast<std::uint32_t>(key) & t.mask;
  for (;;) {
    const std::uint32_t word = t.slots[s];
    if ((word & 0xFFFF0000u) != t.stamp) return 0;
    const std::uint32_t e = word & 0xFFFFu;
    if (t.keys[e] == key) {
      if (skip == 0) return e;
      --skip;
    }
    s = (s + 1) & t.mask;
  }
}

}  // namespace quorvel::nm
