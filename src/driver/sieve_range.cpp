// The hot loop. Every mode takes the primes in blocks: a block is searched
// as a whole (its powers computed side by side), then its primes are
// applied one by one in increasing p, each followed by its progress save,
// exactly as if the primes had been handled one at a time. All printing and
// file work happens in the apply steps and the out-of-line progress save.
#include "driver/sieve_range.hpp"

#include "arith/mulmod.hpp"
#include "driver/progress.hpp"
#include "driver/statistics.hpp"
#include <vector>

#include "krange/krange.hpp"
#include "krange/krange_search.hpp"
#include "nearmersenne/nearmersenne.hpp"
#include "nearmersenne/nm_search.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/arith_state.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"
#include "quorvel/search_state.hpp"
#include "search/prime_job.hpp"
#include "search/search.hpp"

namespace quorvel {

namespace {

/// First window of a range: below 2^20 it may hold base primes, which the
/// low variant keeps as primes.
constexpr std::uint64_t low_window_bound = 1048576;

[[gnu::noinline, gnu::cold]] void save_progress(std::uint64_t p, std::ostream& out) {
  progress_save(p, out);
}

/// The k-range modes: the settings, the search's scratch and the block's
/// eliminations, made again for each range.
struct krange_loop {
  krange_settings_t settings;
  krange_bitmaps_t bitmaps;
  krange_work_t work;
  krange_hits_t hits;

  explicit krange_loop(bool twin)
      : settings(krange_current_settings(twin)), bitmaps(krange_current_bitmaps(twin)) {}
  std::size_t block_length(std::uint64_t p) const { return krange_block_length(settings, p); }
  void search(std::span<const std::uint64_t> primes) {
    krange_search_block(settings, primes, work, hits);
  }
  void apply(std::size_t j) { krange_apply_prime(settings, hits, j, bitmaps); }
};

/// The near-Mersenne mode, as krange_loop; the progress count of its
/// "trying p: " lines runs on from range to range.
struct nm_loop {
  nm_settings_t settings;
  nm_work_t work;
  nm_hits_t hits;
  nm_progress_t& progress;

  explicit nm_loop(nm_progress_t& run_progress)
      : settings(nm_current_settings()), progress(run_progress) {}
  std::size_t block_length(std::uint64_t) const { return nm_block_length(settings); }
  void search(std::span<const std::uint64_t> primes) {
    nm_search_block(settings, primes, work, hits);
  }
  void apply(std::size_t j) {
    nm_apply_prime(settings, hits, j, progress, nm_bitmap, nm_candidates);
  }
};

/// k-range, k-range twin and near-Mersenne mode: a block of primes from the
/// stream is searched, then each prime is counted, applied and followed by
/// its progress save.
template <class Mode>
std::uint64_t mode_block_loop(Mode& mode_state, std::uint64_t pmin, std::uint64_t pmax,
                              std::uint64_t interval, std::ostream& out) {
  std::vector<std::uint64_t> primes;
  std::uint64_t last_save = pmin;
  std::uint64_t p = next_sieved_p();
  while (p <= pmax) {
    const std::size_t length = mode_state.block_length(p);
    primes.clear();
    while (p <= pmax && primes.size() < length) {
      primes.push_back(p);
      p = next_sieved_p();
    }
    mode_state.search(primes);
    for (std::size_t j = 0; j < primes.size(); ++j) {
      ++stat_testedp;
      mode_state.apply(j);
      if (primes[j] - last_save >= interval) {
        save_progress(primes[j], out);
        last_save = primes[j];
      }
    }
  }
  return p;
}

/// Proth and Riesel mode: the primes go to the search in blocks, so that the
/// powers of a block's primes are computed side by side; each prime's factors
/// are then reported in order and followed by its progress save, exactly as
/// if the primes had been handled one at a time.
std::uint64_t block_loop(std::uint64_t pmin, std::uint64_t pmax, std::uint64_t interval,
                         std::ostream& out) {
  static prime_block_t block;
  std::uint64_t last_save = pmin;
  std::uint64_t p = next_sieved_p();
  while (p <= pmax) {
    block.count = 0;
    while (p <= pmax && block.count < block_capacity) {
      block.jobs[block.count++].reset(p, pminus1_factors(sievewindowindex));
      p = next_sieved_p();
    }
    search_block(block);
    for (std::uint32_t j = 0; j < block.count; ++j) {
      const prime_state_t& st = block.jobs[j];
      ++stat_testedp;
      report_found(st);
      if (st.p - last_save >= interval) {
        save_progress(st.p, out);
        last_save = st.p;
      }
    }
  }
  return p;
}

}  // namespace

std::uint64_t sieve_range(std::uint64_t pmin, std::uint64_t pmax, std::uint64_t interval,
                          std::ostream& out) {
  timetot.total = 0;
  timeinterval.total = 0;
  time_start(&timetot);
  time_start(&timeinterval);

  sievewindowindex = 0xFFFFFFFFu;
  sievewindowlow = pmin;
  if (pmin < low_window_bound) {
    eratosthenes_window_lowok(pmin);
  } else {
    eratosthenes_window(pmin);
  }

  std::uint64_t p_end;
  switch (mode) {
    case mode_krange:
    case mode_krangetwin: {
      krange_loop loop(mode == mode_krangetwin);
      p_end = mode_block_loop(loop, pmin, pmax, interval, out);
      break;
    }
    case mode_nearmersenne: {
      static nm_progress_t progress;  // the whole run's count, kept by the driver
      nm_loop loop(progress);
      p_end = mode_block_loop(loop, pmin, pmax, interval, out);
      break;
    }
    default:
      p_end = block_loop(pmin, pmax, interval, out);
      break;
  }
  time_stop(&timetot);
  return p_end;
}

}  // namespace quorvel
