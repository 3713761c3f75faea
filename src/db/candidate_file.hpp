// Candidate file: reading with its residue analysis, writing back, npg export.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

/// Leading unsigned 32-bit decimal number of a text (0 when there is none).
std::uint32_t toint32(const std::string& text);

/// Loads the candidate file into the k table and analyses it; false after an
/// error, which has been reported on standard output.
bool read_db(const std::string& filename);

/// Writes the n lists back as a candidate file; false when the file could not
/// be written (the old file is then unchanged).
bool dump_db(const std::string& filename);

/// Writes the npg export of the n lists, sorted by n, under the header
/// "pmax:P:0:2:257" (Proth) or "pmax:M:0:2:258" (Riesel); false on failure.
bool write_npg(const std::string& filename, std::uint64_t pmax);

}  // namespace quorvel
