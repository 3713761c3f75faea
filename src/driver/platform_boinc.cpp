// The BOINC platform. The client library is initialised first thing; file
// names are resolved through the client's links (a name without a link file
// stays as it is); the fraction done goes to the client at every progress
// save; the status file is written only when the client says it is time for
// a checkpoint, and the client is told when the checkpoint is complete; the
// process ends through the library with the exit status.
//
// Without a client (standalone) the library says so, and the status file is
// written at every progress save, as in a plain run.
#include <boinc_api.h>

#include <iostream>

#include "driver/platform.hpp"

namespace quorvel {

namespace {

std::string boinc_file_name(const std::string& logical) {
  std::string physical;
  if (boinc_resolve_filename_s(logical.c_str(), physical) != 0 || physical.empty()) return logical;
  return physical;
}

}  // namespace

platform_hooks start_platform() {
  const int rc = boinc_init();
  if (rc != 0) {
    std::cout << "Error: the BOINC library could not start (" << rc << ")." << std::endl;
    boinc_finish(1);
  }
  platform_hooks hooks;
  hooks.resolve_file_name = boinc_file_name;
  hooks.fraction_done = [](double fraction) { boinc_fraction_done(fraction); };
  if (!boinc_is_standalone()) {
    hooks.checkpoint_due = [] { return boinc_time_to_checkpoint() != 0; };
    hooks.checkpoint_done = [] { boinc_checkpoint_completed(); };
  }
  return hooks;
}

int finish_platform(int status) {
  std::cout << std::flush;
  boinc_finish(status);
  return status;  // not reached: boinc_finish ends the process
}

}  // namespace quorvel
