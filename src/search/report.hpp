// Hands a solution n of k*2^n = -+1 (mod p) to the factor report, unless it
// names no factor: an n beyond 32 bits (outside every candidate file), or a
// number k*2^n+-1 that is p itself (a prime is not struck by itself).
#pragma once

#include <cstdint>
#include <limits>

#include "db/factor_report.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

inline void report_solution(std::uint64_t p, std::uint32_t i, std::uint64_t n, std::uint64_t xmod) {
  if (n > std::numeric_limits<std::uint32_t>::max()) return;
  if (n < 64) {
    const unsigned __int128 kn = static_cast<unsigned __int128>(ak[i]) << n;
    if ((mode == mode_proth ? kn + 1 : kn - 1) == p) return;
  }
  output_factor(p, i, static_cast<std::uint32_t>(n), xmod);
}

}  // namespace quorvel
