// What a run needs from the platform it runs on: a sleep while waiting for
// a range, the clocks, the names files really have, and the moments when the
// status file may be written. The defaults are those of a plain run (real
// sleep and clocks, names as they are, the status file written at every
// progress save); the BOINC build puts the client's calls in their place,
// and tests put fakes in.
#pragma once

#include <unistd.h>

#include <functional>

#include "driver/file_names.hpp"
#include "driver/next_range.hpp"
#include "driver/run_clock.hpp"

namespace quorvel {

struct platform_hooks {
  sleep_function sleep_seconds = [](unsigned seconds) { ::sleep(seconds); };
  clock_function clock = read_real_clock;
  /// Every file name of the run goes through it once, when the files are named.
  file_name_resolver resolve_file_name = keep_file_name;
  /// Asked at each progress save whether the status file may be written now;
  /// when it says yes, checkpoint_done follows the write.
  std::function<bool()> checkpoint_due = [] { return true; };
  std::function<void()> checkpoint_done = [] {};
  /// The fraction of the range done, at each progress save.
  std::function<void(double)> fraction_done = [](double) {};
};

/// Prepares the platform at the very start of the process (the BOINC build
/// initialises the client library here) and returns its hooks.
platform_hooks start_platform();

/// Ends the process on the platform with the exit status; returns it where
/// the platform leaves the ending to main.
int finish_platform(int status);

}  // namespace quorvel
