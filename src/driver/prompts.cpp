// Console prompts. The questions end without an end of line; the answer the
// user types supplies it (standard input is tied to standard output, so the
// question is flushed before the read). An exhausted or unreadable input
// ends the questions with a one-line message instead of asking forever.
#include "driver/prompts.hpp"

#include <cctype>

#include "quorvel/config.hpp"

namespace quorvel {

namespace {

constexpr std::uint64_t billion = 1000000000;

/// Reads one answer in billions; false after the message of a failed read.
bool read_billions(std::istream& in, std::ostream& out, std::uint64_t& value) {
  std::uint64_t number = 0;
  if (in >> number) {
    value = number * billion;  // formed in 64 bits
    return true;
  }
  if (in.eof()) {
    out << std::endl << "No answer on standard input. Exiting." << std::endl;
  } else {
    out << "Not a whole number of billions. Exiting." << std::endl;
  }
  return false;
}

}  // namespace

bool ask_clear_zelstatus_dat(std::istream& in, std::ostream& out) {
  for (;;) {
    out << "Do you wish to clear " << zelstatus_dat_filename
        << " and begin a new range? [y/n] : " << std::flush;
    char c = 0;
    if (!(in >> c)) {
      out << std::endl << "No answer on standard input. Exiting." << std::endl;
      return false;
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c == 'y') return true;
    if (c == 'n') {
      out << "Exiting." << std::endl;
      return false;
    }
  }
}

bool ask_pmin_pmax(std::istream& in, std::ostream& out, std::uint64_t& pmin, std::uint64_t& pmax) {
  out << "Sieve from (in billions) : " << std::flush;
  if (!read_billions(in, out, pmin)) return false;
  do {
    out << "Sieve to (in billions) : " << std::flush;
    if (!read_billions(in, out, pmax)) return false;
  } while (pmax <= pmin);
  return true;
}

}  // namespace quorvel
