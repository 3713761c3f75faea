// The statistics block. The range speed divides the p distance covered by
// the whole seconds of processor time (plus a microsecond, so that a range
// shorter than a second gives a very large speed rather than a division by
// zero) and shows thousands of p per second, truncated.
#include "driver/statistics.hpp"

#include <fstream>

#include "quorvel/config.hpp"

namespace quorvel {

ctimer_t timetot;

statistics_text format_statistics(const range_figures& f, int verbose) {
  const std::string head = "\nStatistics:\npmin        : " + std::to_string(f.pmin) +
                           "\npmax        : " + std::to_string(f.pmax) + "\n";
  const std::string counters = "# Tested p  : " + std::to_string(f.testedp) + "\n# Tested k  : " +
                               std::to_string(std::uint64_t{f.num_k} * f.testedp) +
                               "\n# Whacked k : " + std::to_string(f.whackedk) +
                               "\n# Whacked p : " + std::to_string(f.whackedp) + "\n";
  const double distance = static_cast<double>(f.p_end - f.pmin);
  const double seconds = static_cast<double>(f.cpu_ticks / 1000000);
  const auto speed = static_cast<std::uint64_t>(distance / (seconds + 0.000001) / 1000);
  const std::string tail = "Total time: " + std::to_string(f.cpu_ticks / 1000) + " ms.\n" +
                           std::to_string(speed) + "kp/s.\n";
  statistics_text text;
  text.file = head + counters + tail + (f.note.empty() ? "" : f.note + "\n");
  text.console = head + (verbose != 0 ? counters : std::string()) + tail;
  return text;
}

void write_statistics(const range_figures& f, const std::string& filename, std::ostream& out) {
  const statistics_text text = format_statistics(f, verbose);
  std::ofstream file(filename, std::ios::app);
  if (file) file << text.file;
  out << text.console << std::flush;
}

}  // namespace quorvel
