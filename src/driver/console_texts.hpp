// The fixed console texts: the banner shown at every start, the usage text
// (the program's only manual) and the lines announcing mode and arithmetic.
#pragma once

#include <ostream>

#include "driver/options.hpp"

namespace quorvel {

/// The two banner lines.
void print_banner(std::ostream& out);

/// The usage text of -h (also shown when the program is started without arguments).
void print_usage(std::ostream& out);

/// "Using <mode> mode" and the two lines of the arithmetic in use.
void print_mode_lines(const options_t& opt, std::ostream& out);

}  // namespace quorvel
