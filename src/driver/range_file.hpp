// The range queue (nextrange.txt): further ranges a user or a script lines
// up, taken out one at a time when a range is finished.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

/// Takes the first complete range (a non-zero "pmin=" and a non-zero
/// "pmax=" line, in either order) out of the file: that range and every line
/// read before it are removed, the rest is kept. False, with pmin and pmax
/// untouched and the file unchanged, when the file cannot be opened or holds
/// no complete range.
bool get_next_range(const std::string& filename, std::uint64_t& pmin, std::uint64_t& pmax);

}  // namespace quorvel
