// Statistics of a finished range, to the console and appended to stat.txt,
// and the processor-time accumulator of the range.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "quorvel/common.hpp"

namespace quorvel {

/// Processor time of the current range; cleared and started at its start,
/// stopped once after its last prime.
extern ctimer_t timetot;

/// The figures of one finished range.
struct range_figures {
  std::uint64_t pmin = 0;  ///< the even pmin the range started from
  std::uint64_t pmax = 0;
  std::uint64_t p_end = 0;  ///< the first prime above pmax (where the loop stopped)
  std::uint32_t num_k = 0;
  std::uint64_t testedp = 0, whackedk = 0, whackedp = 0;
  std::int64_t cpu_ticks = 0;  ///< timetot's total, in microseconds
  /// A line the file gets after the block (why the range stopped early); "" for none.
  std::string note;
};

/// The block of lines of a range: `file` gets every line (and the note),
/// `console` the same without the four counter lines unless `verbose` is
/// set, and without the note.
struct statistics_text {
  std::string console;
  std::string file;
};
statistics_text format_statistics(const range_figures& f, int verbose);

/// Prints the block and appends it to the statistics file (lost silently
/// when the file cannot be opened).
void write_statistics(const range_figures& f, const std::string& filename, std::ostream& out);

}  // namespace quorvel
