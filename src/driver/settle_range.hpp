// Settlement of the first range of a run: from the command line, from an
// unfinished status file, or from the prompts, with the status file cleared
// or started accordingly.
#pragma once

#include <istream>
#include <ostream>

#include "driver/options.hpp"

namespace quorvel {

/// Fills opt.pmin and opt.pmax and leaves the status file ready for the
/// range. False when the run must stop with status 1: the user declined to
/// clear the status file, or the questions got no usable answer.
bool settle_first_range(options_t& opt, std::istream& in, std::ostream& out);

}  // namespace quorvel
