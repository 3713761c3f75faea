// Naming of every file of the run, with the unique id of -n inserted before
// the extension, and the detection of the Riesel candidate file.
#pragma once

#include <string>

#include "driver/options.hpp"

namespace quorvel {

/// Turns the name a file is known by into the name to open. The plain
/// program keeps names as they are; the BOINC build asks the client, whose
/// links may point elsewhere.
using file_name_resolver = std::string (*)(const std::string& name);

/// The resolver of a plain run: the name itself.
std::string keep_file_name(const std::string& name);

/// Sets the file-name globals of quorvel/config.hpp from the settings. In
/// Proth mode without -s, a missing Zel.dat with a readable riesel.dat
/// (both with the id) switches the run to Riesel mode. The status file is
/// named only in Proth and Riesel mode; elsewhere its name stays empty.
/// Every name the run opens, also those given on the command line (-s,
/// -npg, -a, the k-range and ABC files; "0" for a k-range side that is off
/// is no name), goes through `resolve` here, once, and is used as it comes
/// back.
void name_files(options_t& opt, file_name_resolver resolve = keep_file_name);

}  // namespace quorvel
