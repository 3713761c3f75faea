// One console line of the candidate database: written to standard output
// with its end of line and flushed at once, so that the lines interleave
// correctly with everything else the program prints.
#pragma once

#include <cstdio>
#include <string_view>

namespace quorvel {

inline void print_line(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace quorvel
