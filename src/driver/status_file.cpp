// Status-file reading and writing. Every operation opens the file, does its
// one job and closes it again; the modes without a status file have an empty
// name, for which every operation does nothing. A file that cannot be opened
// or written is passed over silently: progress is then simply not recorded.
// The start lines of a new range from the queue replace the file atomically,
// so an interruption leaves either the old range or the new one.
#include "driver/status_file.hpp"

#include <cstdio>
#include <fstream>

#include "quorvel/atomic_file.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

namespace {

std::string start_lines(std::uint64_t pmin, std::uint64_t pmax) {
  return "pmax=" + std::to_string(pmax) + "\npmin=" + std::to_string(pmin) + "\n";
}

}  // namespace

bool read_range_line(const std::string& line, std::uint64_t& pmin, std::uint64_t& pmax) {
  if (line.size() < 5) return false;
  const std::string key = line.substr(0, 4);
  if (key == "pmin") {
    pmin = toint(line.substr(5));
    return true;
  }
  if (key == "pmax") {
    pmax = toint(line.substr(5));
    return true;
  }
  return false;
}

std::optional<status_contents> read_status_file(const std::string& name) {
  if (name.empty()) return std::nullopt;
  std::ifstream in(name);
  if (!in) return std::nullopt;
  status_contents c;
  std::string line;
  bool after_pmax = false;  // the next pmin line starts the range
  while (std::getline(in, line)) {
    if (line == "Done") {
      c.done = true;
      break;
    }
    const bool is_pmax = line.compare(0, 4, "pmax") == 0;
    if (!read_range_line(line, c.pmin, c.pmax)) continue;
    if (!is_pmax && after_pmax) c.range_start = c.pmin;
    after_pmax = is_pmax;
  }
  return c;
}

void write_start_lines(const std::string& name, std::uint64_t pmin, std::uint64_t pmax) {
  if (name.empty()) return;
  std::ofstream out(name, std::ios::app);
  out << start_lines(pmin, pmax);
}

void rewrite_status_file(const std::string& name, std::uint64_t pmin, std::uint64_t pmax) {
  if (name.empty()) return;
  write_file_atomically(name, start_lines(pmin, pmax));
}

void append_status_line(const std::string& name, const std::string& line) {
  if (name.empty()) return;
  std::ofstream out(name, std::ios::app);
  out << line << '\n';
}

void remove_status_file(const std::string& name) {
  if (name.empty()) return;
  std::remove(name.c_str());
}

}  // namespace quorvel
