// Sizing of the near-Mersenne exponent table (the probing itself is inline
// in nm_hash.hpp).
#include "nearmersenne/nm_hash.hpp"

#include <utility>

namespace quorvel::nm {

exponent_table_t exponent_table;

std::uint32_t exponent_table_bits(std::uint32_t max_exponent) {
  // 16 slots per exponent while the table stays within 8192 slots (32 KiB,
  // the first-level data cache), otherwise 8: at a lower load fewer probes
  // meet a taken slot, which costs a mispredicted branch; a larger table
  // costs cache misses instead.
  const auto bits_for = [](std::uint64_t slots) {
    std::uint32_t bits = 4;
    while ((std::uint64_t{1} << bits) < slots) ++bits;
    return bits;
  };
  const std::uint32_t dense = bits_for(8 * static_cast<std::uint64_t>(max_exponent));
  const std::uint32_t sparse = bits_for(16 * static_cast<std::uint64_t>(max_exponent));
  const std::uint32_t l1_bits = 13;
  return sparse <= l1_bits ? sparse : (dense > l1_bits ? dense : l1_bits);
}

void exponent_table_init(std::uint32_t max_exponent) {
  if (max_exponent > 0xFFFFu) max_exponent = 0xFFFFu;
  const std::uint32_t bits = exponent_table_bits(max_exponent);
  exponent_table_t t;
  t.slots.assign(std::size_t{1} << bits, 0);
  t.keys.assign(std::size_t{max_exponent} + 1, 0);
  t.mask = (1u << bits) - 1;
  exponent_table = std::move(t);
}

}  // namespace quorvel::nm
