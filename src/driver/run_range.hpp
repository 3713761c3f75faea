// One range, from its checks to its statistics.
#pragma once

#include <ostream>

#include "driver/options.hpp"
#include "driver/progress_tracker.hpp"

namespace quorvel {

/// Checks the range (pmax above 2^62 is lowered to 2^62 with a message),
/// sieves it, marks it done, writes the end-of-range files and the
/// statistics. False, after one line, when the range is invalid (the run
/// then ends with status 1). When the tracker stops the range early, the
/// stop line takes the place of "Done" (in the status file and on the
/// console), the files are written for the depth reached, and stat.txt gets
/// the stop line after the statistics.
bool run_range(options_t& opt, std::ostream& out, progress_tracker& progress);

}  // namespace quorvel
