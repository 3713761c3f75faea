// One range, from its checks to its statistics.
#pragma once

#include <ostream>

#include "driver/options.hpp"

namespace quorvel {

/// Checks the range (pmax above 2^62 is lowered to 2^62 with a message),
/// sieves it, marks it done, writes the end-of-range files and the
/// statistics. False, after one line, when the range is invalid (the run
/// then ends with status 1).
bool run_range(options_t& opt, std::ostream& out);

}  // namespace quorvel
