// Factor lines are read by a small scanner: blanks, a number, blanks, '|',
// blanks, number '*' "2^" number, '+' or '-', "1", blanks. Numbers are plain
// decimal digits (no sign); std::from_chars refuses values beyond 64 bits.
#include "db/factor_line.hpp"

#include <charconv>

namespace quorvel {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

void skip_blanks(std::string_view& s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
}

bool take_number(std::string_view& s, std::uint64_t& value) {
  if (s.empty() || s.front() < '0' || s.front() > '9') return false;
  const auto [next, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (ec != std::errc()) return false;
  s.remove_prefix(static_cast<std::size_t>(next - s.data()));
  return true;
}

bool take(std::string_view& s, std::string_view word) {
  if (s.substr(0, word.size()) != word) return false;
  s.remove_prefix(word.size());
  return true;
}

}  // namespace

line_status parse_factor_line(std::string_view line, factor_line_t& out) {
  std::string_view s = line;
  skip_blanks(s);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  if (s.empty() || s.front() == '#') return line_status::no_factor;

  factor_line_t f;
  if (!take_number(s, f.p)) return line_status::malformed;
  skip_blanks(s);
  if (!take(s, "|")) return line_status::malformed;
  skip_blanks(s);
  if (!take_number(s, f.k) || !take(s, "*2^") || !take_number(s, f.n))
    return line_status::malformed;
  if (take(s, "+1")) {
    f.sign = +1;
  } else if (take(s, "-1")) {
    f.sign = -1;
  } else {
    return line_status::malformed;
  }
  if (!s.empty()) return line_status::malformed;
  out = f;
  return line_status::factor;
}

std::string number_text(std::uint64_t k, std::uint64_t n, int sign) {
  return std::to_string(k) + "*2^" + std::to_string(n) + (sign > 0 ? "+1" : "-1");
}

std::string factor_text(const factor_line_t& f) {
  return std::to_string(f.p) + " | " + number_text(f.k, f.n, f.sign);
}

}  // namespace quorvel
