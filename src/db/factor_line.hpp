// One line of a factor file, "p | k*2^n+1" or "p | k*2^n-1": the form the
// factor reports write and the form other sieves exchange. Reading tolerates
// blanks around the line and around the bar, and a carriage return at its
// end; blank lines and lines whose first non-blank character is '#' carry no
// factor. p, k and n are read as unsigned 64-bit numbers; anything else on
// the line, or a number too large for 64 bits, makes the line malformed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel {

struct factor_line_t {
  std::uint64_t p = 0;
  std::uint64_t k = 0;
  std::uint64_t n = 0;
  int sign = +1;  ///< +1 for k*2^n+1, -1 for k*2^n-1
};

enum class line_status { factor, no_factor, malformed };

/// Reads one line (without its line feed). `no_factor`: blank or comment.
line_status parse_factor_line(std::string_view line, factor_line_t& out);

/// "k*2^n+1" or "k*2^n-1".
std::string number_text(std::uint64_t k, std::uint64_t n, int sign);

/// "p | k*2^n+1" or "p | k*2^n-1", without a line feed.
std::string factor_text(const factor_line_t& f);

}  // namespace quorvel
