// The whole run of the program, from the banner to the last range.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "db/false_factor.hpp"
#include "driver/platform.hpp"

namespace quorvel {

/// Runs the program with the arguments after its name and returns the exit
/// status: 0 after the last range, after a range stopped by -x, or after -h;
/// 1 after an error that stops the run. The questions read `in`; the
/// driver's lines go to `out`; sleeping, the clocks, file names and
/// checkpoints go through `platform`.
int run_driver(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               const platform_hooks& platform);

/// The end of a run whose per-prime routine reported a false factor: one
/// line naming p and the number, the progress line "pmin=<p-1>" appended to
/// the status file (a resumed run starts with p), and the status 1.
int stop_on_false_factor(const false_factor_error& e, std::ostream& out);

}  // namespace quorvel
