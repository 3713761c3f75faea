// Parsing helpers of candidate_files.hpp.
#include "search/candidate_files.hpp"

#include <cstdlib>

namespace quorvel::test {

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

bool parse_factor_line(const std::string& line, ParsedFactor& out) {
  const std::size_t bar = line.find(" | ");
  const std::size_t star = line.find("*2^");
  if (bar == std::string::npos || star == std::string::npos || star < bar) return false;
  const std::size_t tail = line.find_first_of("+-", star + 3);
  if (tail == std::string::npos || line.size() != tail + 2 || line[tail + 1] != '1') return false;
  out.p = std::strtoull(line.substr(0, bar).c_str(), nullptr, 10);
  out.k = std::strtoll(line.substr(bar + 3, star - bar - 3).c_str(), nullptr, 10);
  out.n = static_cast<std::uint32_t>(
      std::strtoul(line.substr(star + 3, tail - star - 3).c_str(), nullptr, 10));
  out.sign = line[tail] == '+' ? +1 : -1;
  return std::to_string(out.p) + " | " + std::to_string(out.k) + "*2^" + std::to_string(out.n) +
             (out.sign > 0 ? "+1" : "-1") ==
         line;
}

}  // namespace quorvel::test
