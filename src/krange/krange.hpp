// k-range and k-range twin modes: bitmaps, their files and the per-prime
// elimination.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

void krange_initialize(const std::string& plusfile, const std::string& minusfile);
void krangetwin_initialize(const std::string& file);
void krange_do_p(std::uint64_t p);
void krangetwin_do_p(std::uint64_t p);
void krange_writedat(const std::string& plusfile, const std::string& minusfile, std::uint64_t p);
void krangetwin_writedat(const std::string& file, std::uint64_t p);
/// Candidates left (clear bits) over the active bitmaps of the current mode.
std::uint32_t krange_numbers_left();

}  // namespace quorvel
