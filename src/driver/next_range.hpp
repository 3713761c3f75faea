// The end of a range: the next range from the queue, a wait for one, or the
// end of the run.
#pragma once

#include <functional>
#include <ostream>

#include "driver/options.hpp"

namespace quorvel {

/// Sleeps the given number of seconds (the program passes a real sleep,
/// tests a fake one).
using sleep_function = std::function<void(unsigned seconds)>;

/// Seconds between two looks into the range queue with -w.
inline constexpr unsigned range_poll_seconds = 300;

/// Takes the next range out of the range queue into opt.pmin/opt.pmax and
/// starts the status file afresh for it (true). Without a range: with -w,
/// sleeps range_poll_seconds and looks again, without end; otherwise says
/// so and gives false (the run ends with status 0).
bool take_next_range(options_t& opt, std::ostream& out, const sleep_function& sleep_seconds);

}  // namespace quorvel
