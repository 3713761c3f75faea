// Banner, usage text and mode announcement. Every line ends with std::endl:
// the console is flushed line by line so that a watching user or script sees
// each line as soon as it is complete.
#include "driver/console_texts.hpp"

#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

void print_banner(std::ostream& out) {
  out << "quorvel v0.42" << std::endl;
  out << "Sieve for k*2^n+-1, k-range and near-Mersenne numbers - the quorvel developers"
      << std::endl;
}

void print_usage(std::ostream& out) {
  static const char* const lines[] = {
      "usage: quorvel [switches] [<pmin> <pmax>]",
      "\t-a <filename> = apply the factor file <filename> to the .dat file (or to the",
      "\t                -krange files) and exit; repeatable",
      "\t-d = don't output excluded (duplicates/outside range) factors",
      "\t-f = force use of p range given on cmdline. Overwrite ZelStatus.dat",
      "\t-full = write full n instead of incremental when updating .dat file",
      "\t-h = this help text",
      "\t-i <interval> = interval between progress saves to ZelStatus.dat",
      "\t                default is 10000000, which saves every 10 million p",
      "\t-n <uniqueid> = append <uniqueid> to base of filenames",
      "\t                \"-n 01\" -> ZelStatus01.dat, Zel01.dat, fact01.txt, ...",
      "\t-p <priority> = set process priority from 0 to 4. 0 is idle, default",
      "\t-proth        = sieve proth numbers",
      "\t-riesel       = sieve riesel numbers",
      "\t-s <filename> = use alternative .dat file. Overrides -n argument",
      "\t-t <threads>  = sieve with this many threads, 1 to 1024. 1 is default",
      "\t-u = update .dat file afterwards",
      "\t-v = print some additional info. -vv gives more",
      "\t-w = wait for new range in nextrange.txt -- don't exit if empty",
      "\t-x <seconds>  = stop when a factor costs more than <seconds> of processor",
      "\t                time (all threads) over the last 30 minutes of the run (or",
      "\t                all of it if shorter): new factors in Proth/Riesel mode,",
      "\t                struck candidates in the other modes. The range then ends",
      "\t                at its last progress save; no new range is taken.",
      "New factors are written to fact.txt, duplicates to factexcl.txt, and those",
      "outside the n range to factrange.txt. Some statistics are written to stat.txt.",
      "Proth/Riesel mode is autodetected if a Zel.dat or riesel.dat is found in the",
      "current directory.",
      "",
  };
  for (const char* line : lines) out << line << std::endl;
}

void print_mode_lines(const options_t& opt, std::ostream& out) {
  out << "Using ";
  switch (mode) {
    case mode_proth:
      out << "Proth";
      break;
    case mode_riesel:
      out << "Riesel";
      break;
    case mode_krange:
      out << "k-range";
      if (opt.krange_plusfile != "0") out << " +";
      if (opt.krange_minusfile != "0") out << " -";
      break;
    case mode_krangetwin:
      out << "k-range twin";
      break;
    default:
      out << "NearMersenne";
      break;
  }
  out << " mode" << std::endl;
  out << "Using CMOV optimizations" << std::endl;
  out << "Using SSE2 optimizations" << std::endl;
}

}  // namespace quorvel
