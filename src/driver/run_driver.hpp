// The whole run of the program, from the banner to the last range.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "driver/platform.hpp"

namespace quorvel {

/// Runs the program with the arguments after its name and returns the exit
/// status: 0 after the last range, after a range stopped by -x, or after -h;
/// 1 after an error that stops the run. The questions read `in`; the
/// driver's lines go to `out`; sleeping, the clocks, file names and
/// checkpoints go through `platform`.
int run_driver(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               const platform_hooks& platform);

}  // namespace quorvel
