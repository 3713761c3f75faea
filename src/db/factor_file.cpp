// Factor files are read with std::getline: a last line without a line feed
// still counts, and a carriage return before the line feed is left to the
// line parser, which treats it as a blank.
#include "db/factor_file.hpp"

#include <fstream>

namespace quorvel {

bool for_each_factor_line(const std::string& file, const factor_line_visitor& visit) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  std::string line;
  std::uint64_t number = 0;
  while (std::getline(in, line)) {
    ++number;
    factor_line_t f;
    const line_status status = parse_factor_line(line, f);
    if (status != line_status::no_factor) visit(number, status, f, line);
  }
  return true;
}

std::string line_for_message(std::string_view text) {
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  constexpr std::size_t limit = 100;
  if (text.size() <= limit) return std::string(text);
  return std::string(text.substr(0, limit)) + "...";
}

}  // namespace quorvel
