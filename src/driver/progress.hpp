// Progress saves: every -i distance in p the driver shows the prime reached
// and the sieving rate, and appends the same to the status file so that an
// interrupted range can resume from there.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace quorvel {

/// The two lines of a save (without their ends of line): console
/// "p = P @ Rkp/s" (R "???" while the rate is 0) and status file
/// "pmin=P @ R kp/s" (R "0" while the rate is 0), each followed by `suffix`.
struct progress_text {
  std::string console;
  std::string status;
};
progress_text format_progress(std::uint64_t p, std::uint32_t rate, const std::string& suffix);

/// ". C numbers left." with the candidates still standing in the k-range and
/// near-Mersenne modes; empty in Proth and Riesel mode.
std::string numbers_left_suffix();

/// Prints the console line and appends the status line for the prime p.
void progress_save(std::uint64_t p, std::ostream& out);

}  // namespace quorvel
