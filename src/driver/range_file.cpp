// Reading the range queue: lines are read until both values are non-zero
// (a value of 0 counts as missing), the remaining lines are kept in memory,
// and the shortened queue replaces the file atomically, so a crash leaves
// either the old queue or the new one, never a half-written file.
#include "driver/range_file.hpp"

#include <fstream>

#include "driver/status_file.hpp"
#include "quorvel/atomic_file.hpp"

namespace quorvel {

bool get_next_range(const std::string& filename, std::uint64_t& pmin, std::uint64_t& pmax) {
  std::ifstream in(filename);
  if (!in) return false;
  std::uint64_t lo = 0, hi = 0;
  std::string line;
  while ((lo == 0 || hi == 0) && std::getline(in, line)) read_range_line(line, lo, hi);
  std::string rest;
  while (std::getline(in, line)) rest += line + '\n';
  in.close();
  if (lo == 0 || hi == 0) return false;
  if (!write_file_atomically(filename, rest)) return false;
  pmin = lo;
  pmax = hi;
  return true;
}

}  // namespace quorvel
