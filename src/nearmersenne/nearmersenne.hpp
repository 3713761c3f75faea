// Near-Mersenne mode: the numbers 2^a - 2^b + 1, their bitmap, the ABC file
// and the per-prime elimination.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

/// Candidates left.
extern std::uint64_t nm_candidates;

int nm_initialize();
void nm_do_p(std::uint64_t p);
void nm_writedat(const std::string& file, std::uint64_t p);

}  // namespace quorvel
