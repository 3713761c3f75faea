// Run configuration shared by every subsystem: the mode, the switches that
// other parts read, the k-range and near-Mersenne parameters and the names of
// every file the run touches. All are set once by the command-line parser
// (src/driver/command_line.cpp) and read-only afterwards.
#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

/// 0 Proth, 1 Riesel, 2 k-range, 3 k-range twin, 4 near-Mersenne.
extern int mode;
/// 0 by default, 1 with -v, 2 with -vv.
extern int verbose;
/// -u: remove reported factors from the n lists and write the file back.
extern bool savezeldat;
/// -full: write absolute n values when writing the candidate file.
extern bool writefulln;
/// false with -d: duplicates and out-of-range factors are not reported.
extern bool outputdupes;
/// Smallest pmin of a Proth or Riesel range: proth_pmin_floor for the
/// program; the candidate-file generator, which sieves the primes below it
/// itself, lowers it to run the search from where it stops.
extern std::uint64_t search_pmin_floor;

/// k-range and k-range twin parameters (-krange, -krangetwin).
extern std::uint32_t krange_klow, krange_khigh, krange_nlow, krange_nhigh;
/// near-Mersenne parameters (-nearmersenne).
extern std::uint32_t nm_alow, nm_ahigh;
extern std::string nm_abcfile;

/// File names, with the unique id of -n inserted before the extension.
extern std::string zel_dat_filename;
extern std::string zelstatus_dat_filename;
extern std::string fact_txt_filename;
extern std::string factexcl_txt_filename;
extern std::string factrange_txt_filename;
extern std::string stat_txt_filename;
extern std::string nextrange_txt_filename;

/// Leading unsigned decimal number of a text, read like formatted stream
/// input: blanks skipped, optional sign (minus negates modulo 2^64), digits
/// up to the first non-digit. A text without a number gives 0.
std::uint64_t toint(const std::string& text);

/// stem + uniqueid + extension, the extension starting at the last '.'.
std::string get_filename(const std::string& base, const std::string& uniqueid);

}  // namespace quorvel
