// The command line: switches and positional arguments into the process-wide
// configuration (quorvel/config.hpp) and the run settings (options_t), and
// the checks that must pass before any file is touched.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "driver/options.hpp"

namespace quorvel {

/// How the run goes on after a start-up step.
enum class step_result { go_on, stop_ok, stop_error };

/// Parses `args` (the arguments after the program name) from the defaults:
/// every configuration global and `opt` are reset first. Later switches
/// override earlier ones. Prints the usage text for -h (stop_ok) or for an
/// empty command line (go_on); a bad priority or a switch short of its
/// arguments prints one line and gives stop_error.
step_result parse_command_line(const std::vector<std::string>& args, options_t& opt,
                               std::ostream& out);

/// The k-range and near-Mersenne values of the final mode must describe a
/// sound bitmap: odd klow <= khigh < 2^32-1; 1 <= alow <= ahigh <= 65535.
/// Prints one line and gives false when they do not.
bool check_mode_parameters(std::ostream& out);

}  // namespace quorvel
