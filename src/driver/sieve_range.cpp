// The loop over the primes of a range. Proth and Riesel mode hand batches of
// primes to worker threads and report their results in order. The k-range
// and near-Mersenne modes search blocks of primes as a whole (their powers
// computed side by side), then apply the primes one by one in increasing p.
// Either way each prime is followed by its progress save, exactly as if the
// primes had been handled one at a time, and all printing and file work
// happens on the calling thread, in the apply steps, the factor reports and
// the out-of-line progress save.
#include "driver/sieve_range.hpp"

#include <algorithm>
#include <vector>

#include "arith/mulmod.hpp"
#include "db/factor_report.hpp"
#include "driver/ordered_pipeline.hpp"
#include "driver/prime_batch.hpp"
#include "driver/progress.hpp"
#include "driver/statistics.hpp"
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
#include "search/search_context.hpp"

namespace quorvel {

namespace {

/// First window of a range: below 2^20 it may hold base primes, which the
/// low variant keeps as primes.
constexpr std::uint64_t low_window_bound = 1048576;

/// False when the range stops at this save.
[[gnu::noinline, gnu::cold]] bool save_progress(std::uint64_t p, progress_tracker& progress) {
  return progress.save(p);
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
                              std::uint64_t interval, progress_tracker& progress) {
  std::vector<std::uint64_t> primes;
  std::uint64_t last_save = pmin;
  std::uint64_t next = next_sieved_p();
  while (next <= pmax) {
    // These modes read no p-1 record: a plain list of primes is the block.
    const std::size_t length = mode_state.block_length(next);
    primes.clear();
    for (; next <= pmax && primes.size() < length; next = next_sieved_p()) primes.push_back(next);
    mode_state.search(primes);
    for (std::size_t j = 0; j < primes.size(); ++j) {
      ++stat_testedp;
      mode_state.apply(j);
      if (primes[j] - last_save >= interval) {
        // A stop here leaves the rest of the block searched but not applied.
        if (!save_progress(primes[j], progress)) return primes[j];
        last_save = primes[j];
      }
    }
  }
  return next;
}

/// Primes per batch handed to a worker: enough work per batch that handing
/// it over costs nothing in comparison, few enough that the batches under
/// way take little memory.
constexpr std::size_t proth_batch_primes = 2048;

/// A batch of Proth or Riesel mode with its results: the factors of each
/// prime in report order, and the drop counts of the whole batch.
struct proth_slot_t {
  prime_batch_t batch;
  std::vector<factor_found_t> found;
  std::vector<std::uint32_t> found_end;  ///< prime j's factors end at found_end[j]
  std::uint64_t whackedk = 0, whackedp = 0;
};

struct proth_worker_t {
  prime_block_t block;
  search_context_t ctx;
};

/// The search of one batch, in blocks of block_capacity primes whose powers
/// are computed side by side.
void search_batch(proth_slot_t& slot, proth_worker_t& w) {
  const prime_batch_t& batch = slot.batch;
  slot.found.clear();
  slot.found_end.clear();
  w.ctx.whackedk = w.ctx.whackedp = 0;
  for (std::size_t first = 0; first < batch.size(); first += block_capacity) {
    prime_block_t& block = w.block;
    block.count =
        static_cast<std::uint32_t>(std::min(batch.size() - first, std::size_t{block_capacity}));
    for (std::uint32_t j = 0; j < block.count; ++j)
      block.jobs[j].reset(batch.primes[first + j], batch.record(first + j));
    search_block(block, w.ctx);
    for (std::uint32_t j = 0; j < block.count; ++j) {
      const std::vector<factor_found_t>& found = block.jobs[j].found;
      slot.found.insert(slot.found.end(), found.begin(), found.end());
      slot.found_end.push_back(static_cast<std::uint32_t>(slot.found.size()));
    }
  }
  slot.whackedk = w.ctx.whackedk;
  slot.whackedp = w.ctx.whackedp;
}

/// Proth and Riesel mode: batches of primes are searched on `threads`
/// workers; each prime's factors are then reported in order and followed by
/// its progress save, exactly as if the primes had been handled one at a
/// time.
std::uint64_t batch_loop(std::uint64_t pmin, std::uint64_t pmax, std::uint64_t interval,
                         unsigned threads, progress_tracker& progress) {
  std::vector<proth_slot_t> slots(threads <= 1 ? 1 : 2 * threads + 1);
  std::vector<proth_worker_t> workers(threads <= 1 ? 1 : threads);
  std::uint64_t last_save = pmin;
  std::uint64_t next = next_sieved_p();
  const auto fill = [&](proth_slot_t& slot) {
    fill_prime_batch(slot.batch, next, pmax, proth_batch_primes, true);
    return !slot.batch.empty();
  };
  const auto finish = [&](proth_slot_t& slot) {
    const prime_batch_t& batch = slot.batch;
    std::uint32_t f = 0;
    for (std::size_t j = 0; j < batch.size(); ++j) {
      const std::uint64_t p = batch.primes[j];
      ++stat_testedp;
      for (; f < slot.found_end[j]; ++f) {
        const factor_found_t& x = slot.found[f];
        output_factor(p, x.kindex, x.n, x.xmod);
      }
      if (p - last_save >= interval) {
        if (!save_progress(p, progress)) return false;
        last_save = p;
      }
    }
    stat_whackedk += slot.whackedk;
    stat_whackedp += slot.whackedp;
    return true;
  };
  run_ordered(slots, workers, fill, search_batch, finish);
  return next;
}

}  // namespace

std::uint64_t sieve_range(std::uint64_t pmin, std::uint64_t pmax, std::uint64_t interval,
                          unsigned threads, progress_tracker& progress) {
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
      p_end = mode_block_loop(loop, pmin, pmax, interval, progress);
      break;
    }
    case mode_nearmersenne: {
      static nm_progress_t trying;  // the whole run's count, kept by the driver
      nm_loop loop(trying);
      p_end = mode_block_loop(loop, pmin, pmax, interval, progress);
      break;
    }
    default:
      p_end = batch_loop(pmin, pmax, interval, threads, progress);
      break;
  }
  time_stop(&timetot);
  return p_end;
}

}  // namespace quorvel
