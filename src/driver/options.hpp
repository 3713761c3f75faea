// The run settings of one process: what the command line gave besides the
// process-wide configuration of quorvel/config.hpp. Owned by the driver; a
// range taken from the range queue changes only pmin and pmax.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

/// Most worker threads -t accepts.
inline constexpr unsigned max_threads = 1024;

/// Default distance in p between two progress saves.
inline constexpr std::uint64_t default_interval = 10000000;

struct options_t {
  /// The range of trial primes: first positional argument, last positional
  /// argument (plain p values), or from the status file, the prompts or the
  /// range queue.
  std::uint64_t pmin = 0;
  std::uint64_t pmax = 0;
  /// True once a first positional argument was seen (a range on the command line).
  bool range_given = false;
  /// Distance in p between two progress saves (-i).
  std::uint64_t interval = default_interval;
  /// Process priority 0 (idle) to 4 (-p).
  std::uint32_t priority = 0;
  /// -pt value; checked, otherwise without effect.
  std::uint32_t threadpriority = 0;
  /// Worker threads (-t); 1 runs everything on the main thread.
  unsigned threads = 1;
  /// -x: stop the range once a factor costs more processor seconds than this.
  std::optional<std::uint64_t> stop_seconds;
  /// Inserted into every file name before its extension (-n).
  std::string uniqueid;
  /// Alternative candidate file (-s).
  std::string datfile;
  /// -f: a status file is overwritten without asking.
  bool force = false;
  /// -w: wait for a new range in the range queue instead of ending.
  bool waitforrange = false;
  /// -npg FILE: write the npg export at the end of each range.
  bool writenpg = false;
  std::string npgfile;
  /// The bitmap files of -krange (plus side, minus side; "0" = side off) and -krangetwin.
  std::string krange_plusfile, krange_minusfile;
  std::string krangetwin_file;
  /// -a FILE (repeatable): factor files to apply to the candidates; the run
  /// then applies them and ends without sieving.
  std::vector<std::string> apply_files;
  /// True when the first range continues an unfinished status file; the
  /// range began at range_start (its first pmin) and goes on from pmin. The
  /// part done of the progress line counts from range_start too.
  bool resumed = false;
  std::uint64_t range_start = 0;
};

}  // namespace quorvel
