// The once-per-process preparation after the range is settled: process
// priority, the candidate file, the table sizes, the base primes and the
// mode's own set-up.
#pragma once

#include <cstdint>
#include <ostream>

#include "driver/options.hpp"

namespace quorvel {

/// Nice value 20 - 10*priority for the own process (0 idle ... 4 highest);
/// a refused change is ignored.
void set_process_priority(std::uint32_t priority);

/// Loads the candidate file (Proth and Riesel mode), chooses hash_bits and
/// the sieve window size, builds the base primes and runs the mode's set-up.
/// False when the run must stop with status 1 (the reason has been printed).
bool start_up(const options_t& opt, std::ostream& out);

}  // namespace quorvel
