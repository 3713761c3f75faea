// A range resumed with -u: the candidates it struck before it was stopped
// are in the factor file but not in the candidate file, which is written
// only at the end of a range. They are struck again before the range goes on,
// so that the file written at its end is the one an uninterrupted run writes.
#pragma once

#include <ostream>

#include "driver/options.hpp"

namespace quorvel {

/// In Proth and Riesel mode with -u, when the first range continues an
/// unfinished status file (opt.resumed): strikes every candidate named by a
/// line of the factor file whose p lies in the part of the range already
/// sieved, range_start < p <= pmin (both made even), after checking it.
/// Prints one line with the count. False, after naming the lines, when one
/// of those factors is false (the run must stop with status 1); a malformed
/// line is named and passed over.
bool strike_resumed_range_factors(const options_t& opt, std::ostream& out);

}  // namespace quorvel
