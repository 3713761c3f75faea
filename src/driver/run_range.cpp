// A range: reset the counters, check and print the range, sieve it, then
// "Done" into the status file, the end-of-range writes of the mode and the
// statistics. The candidate file is written back with -u only in Proth and
// Riesel mode: the other modes hold no candidate table, and writing one
// would replace a -s file with an empty table. A writer that fails leaves
// its old file in place, and the run says so and goes on. "Done" goes into
// the status file only after the files of the range are written: a run
// stopped before then resumes the range (and writes them) instead of
// leaving a finished range with its candidate file not yet updated.
//
// A range stopped by -x ends as if pmax had been the prime of its last
// progress save: the stop line takes the place of "Done", the status file
// keeps that save as the point to continue from (the stop line after it is
// read by no one), and the npg, k-range and ABC files record that prime as
// the depth sieved.
#include "driver/run_range.hpp"

#include "db/candidate_file.hpp"
#include "driver/sieve_range.hpp"
#include "driver/statistics.hpp"
#include "driver/status_file.hpp"
#include "krange/krange.hpp"
#include "nearmersenne/nearmersenne.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "quorvel/search_state.hpp"

namespace quorvel {

namespace {

bool check_range(options_t& opt, std::ostream& out) {
  if (opt.pmax > p_limit) {
    out << "This program only supports p up to " << p_limit << std::endl;
    opt.pmax = p_limit;
  }
  if (opt.pmax <= opt.pmin) {
    out << "pmax=" << opt.pmax << " <= pmin=" << opt.pmin << std::endl;
    return false;
  }
  if ((mode == mode_proth || mode == mode_riesel) && opt.pmin < search_pmin_floor) {
    out << "Sorry, pmin=" << opt.pmin << " has to be at least 10^9 (1G) for this program to work."
        << std::endl;
    return false;
  }
  return true;
}

void print_range_line(const options_t& opt, std::ostream& out) {
  switch (mode) {
    case mode_proth:
    case mode_riesel:
      out << "Sieving " << opt.pmin << " <= p <= " << opt.pmax << ", " << nlow
          << " <= n <= " << nhigh << std::endl;
      break;
    case mode_krange:
    case mode_krangetwin:
      out << "Sieving " << opt.pmin << " <= p <= " << opt.pmax << ", " << krange_klow
          << " <= k <= " << krange_khigh << ", " << krange_nlow << " <= n <= " << krange_nhigh
          << std::endl;
      break;
    default:
      break;
  }
}

void warn_unwritten(const std::string& file, std::ostream& out) {
  out << "Warning: could not write " << file << "; the previous file is unchanged." << std::endl;
}

/// The end-of-range files; `depth` is the largest p sieved (pmax, or the
/// prime of a stop).
void write_results(const options_t& opt, std::uint64_t depth, std::ostream& out) {
  const bool proth_riesel = mode == mode_proth || mode == mode_riesel;
  if (savezeldat && proth_riesel) {
    out << "Saving " << zel_dat_filename << "..." << std::flush;
    const bool ok = dump_db(zel_dat_filename);
    out << " Done." << std::endl;
    if (!ok) warn_unwritten(zel_dat_filename, out);
  }
  if (opt.writenpg && proth_riesel) {
    out << "Writing " << opt.npgfile << "..." << std::flush;
    const bool ok = write_npg(opt.npgfile, depth);
    out << " Done." << std::endl;
    if (!ok) warn_unwritten(opt.npgfile, out);
  }
  switch (mode) {
    case mode_krange:
      krange_writedat(opt.krange_plusfile, opt.krange_minusfile, depth);
      break;
    case mode_krangetwin:
      krangetwin_writedat(opt.krangetwin_file, depth);
      break;
    case mode_nearmersenne:
      nm_writedat(nm_abcfile, depth);
      break;
    default:
      break;
  }
}

/// Where the part done counts from: the start of a continued range, else pmin.
std::uint64_t range_start(const options_t& opt) {
  const std::uint64_t start = opt.range_start & ~std::uint64_t{1};
  return opt.range_start != 0 && start < opt.pmin ? start : opt.pmin;
}

}  // namespace

bool run_range(options_t& opt, std::ostream& out, progress_tracker& progress) {
  stat_testedp = stat_whackedk = stat_whackedp = 0;
  if (!check_range(opt, out)) return false;
  opt.pmin &= ~std::uint64_t{1};
  print_range_line(opt, out);

  progress.start_range(opt.pmin, range_start(opt), opt.pmax);
  std::uint64_t p_end = sieve_range(opt.pmin, opt.pmax, opt.interval, opt.threads, progress);
  const bool stopped = progress.stopped();
  if (stopped) p_end = progress.stop_p();

  const std::string end_line = stopped ? progress.stop_line() : "Done";
  out << end_line << std::endl;
  write_results(opt, stopped ? p_end : opt.pmax, out);
  append_status_line(zelstatus_dat_filename, end_line);

  range_figures f;
  f.pmin = opt.pmin;
  f.pmax = opt.pmax;
  f.p_end = p_end;
  f.num_k = num_k;
  f.testedp = stat_testedp;
  f.whackedk = stat_whackedk;
  f.whackedp = stat_whackedp;
  f.cpu_ticks = timetot.total;
  if (stopped) f.note = progress.stop_line();
  write_statistics(f, stat_txt_filename, out);
  return true;
}

}  // namespace quorvel
