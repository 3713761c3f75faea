// The whole run of the program, from the banner to the last range.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "driver/next_range.hpp"

namespace quorvel {

/// Runs the program with the arguments after its name and returns the exit
/// status: 0 after the last range or -h, 1 after an error that stops the
/// run. The questions read `in`; the driver's lines go to `out`.
int run_driver(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               const sleep_function& sleep_seconds);

}  // namespace quorvel
