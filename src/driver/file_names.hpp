// Naming of every file of the run, with the unique id of -n inserted before
// the extension, and the detection of the Riesel candidate file.
#pragma once

#include "driver/options.hpp"

namespace quorvel {

/// Sets the file-name globals of quorvel/config.hpp from the settings. In
/// Proth mode without -s, a missing Zel.dat with a readable riesel.dat
/// (both with the id) switches the run to Riesel mode. The status file is
/// named only in Proth and Riesel mode; elsewhere its name stays empty.
void name_files(const options_t& opt);

}  // namespace quorvel
