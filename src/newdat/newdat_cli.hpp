// The command line of quorvel-newdat: switches, checks of every value, and
// the run itself (generate, write the file, print one summary line).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace quorvel {

/// Settings of one generator run.
struct newdat_options_t {
  int form = 0;                      ///< mode_proth or mode_riesel
  std::vector<std::int32_t> ks;      ///< in the order given
  std::uint32_t nmin = 0, nmax = 0;  ///< the n range, inclusive
  std::uint32_t bound = 1000000;     ///< largest trial prime
  unsigned threads = 1;              ///< threads of the search stage (-t)
  std::string out_file;              ///< empty: Zel.dat or riesel.dat by form
  bool help = false;                 ///< -h or no arguments: print the usage text
};

/// Parses the arguments (without the program name) into `opt`. Returns ""
/// when they are sound, else the error line to print (without line end).
/// Reads the files of -kfile.
std::string parse_newdat_args(const std::vector<std::string>& args, newdat_options_t& opt);

/// Prints the usage text.
void print_newdat_usage(std::ostream& out);

/// The whole program: parse, generate, write. Returns the exit status
/// (0 done or help, 1 bad input or a file that could not be written).
int run_newdat(const std::vector<std::string>& args, std::ostream& out);

}  // namespace quorvel
