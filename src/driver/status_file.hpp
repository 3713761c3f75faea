// The status file: the range in work, the last prime fully handled and the
// end mark, so that an interrupted range resumes where it stopped. Also the
// line-reading rule that the range queue shares with it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace quorvel {

/// Applies one line of a status or range file: a line whose first four
/// characters are "pmin" or "pmax" sets that value to toint of the text from
/// the sixth character on (a bare "pmin" or "pmax" carries no value and is
/// ignored). Returns true when the line set a value.
bool read_range_line(const std::string& line, std::uint64_t& pmin, std::uint64_t& pmax);

/// What a status file holds: the last values of pmin and pmax, the pmin
/// the range began from (the first pmin line after the last pmax line: the
/// start lines are "pmax=" and then "pmin="), and whether a "Done" line
/// ended the reading.
struct status_contents {
  std::uint64_t pmin = 0;
  std::uint64_t pmax = 0;
  std::uint64_t range_start = 0;
  bool done = false;
};

/// Reads the status file; empty when it cannot be opened (or the name is empty).
std::optional<status_contents> read_status_file(const std::string& name);

/// Appends "pmax=<pmax>" and "pmin=<pmin>", creating the file when absent.
void write_start_lines(const std::string& name, std::uint64_t pmin, std::uint64_t pmax);

/// Replaces the whole file by the two start lines of a new range.
void rewrite_status_file(const std::string& name, std::uint64_t pmin, std::uint64_t pmax);

/// Appends one line (without its end of line) to the file.
void append_status_line(const std::string& name, const std::string& line);

/// Deletes the status file.
void remove_status_file(const std::string& name);

}  // namespace quorvel
