// The block loop of the k-range and near-Mersenne modes (see mode_loop.hpp).
// The part of the range below the mode's sparse_from() comes from the prime
// stream in blocks of block_length primes; the part above it (only with
// several threads) goes out in intervals that the workers sieve and search
// as one block each (their primes make few eliminations). Either way a slot ends up
// with the primes of its block, their eliminations and the list of the
// primes that have any; the apply step then steps from one such prime (or
// progress save, or near-Mersenne progress line) to the next.
#include "driver/mode_loop.hpp"

#include <algorithm>
#include <bit>
#include <limits>
#include <optional>
#include <span>
#include <vector>

#include "driver/ordered_pipeline.hpp"
#include "driver/statistics.hpp"
#include "krange/krange.hpp"
#include "krange/krange_search.hpp"
#include "nearmersenne/nearmersenne.hpp"
#include "primes/interval_sieve.hpp"
#include "primes/primality.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/common.hpp"
#include "quorvel/search_state.hpp"

namespace quorvel {

namespace {

/// Below this every prime comes from the stream.
constexpr std::uint64_t lowest_sparse_p = std::uint64_t{1} << 30;
constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();

/// factor * a * b, or `never` when it does not fit below 2^63.
std::uint64_t bound_product(std::uint64_t factor, std::uint64_t a, std::uint64_t b) {
  const unsigned __int128 x = static_cast<unsigned __int128>(factor) * a * b;
  return (x >> 63) != 0 ? never : static_cast<std::uint64_t>(x);
}

/// The k-range modes: the settings and the bitmaps the eliminations go to,
/// made again for each range.
struct krange_mode {
  using work_type = krange_work_t;
  using hits_type = krange_hits_t;
  krange_settings_t settings;
  krange_bitmaps_t bitmaps;

  explicit krange_mode(bool twin)
      : settings(krange_current_settings(twin)), bitmaps(krange_current_bitmaps(twin)) {}
  std::size_t block_length(std::uint64_t p) const { return krange_block_length(settings, p); }
  /// A prime p >= khigh strikes about 2 * exponents * khigh / p numbers:
  /// from 64 times the product on, one prime in 32 strikes anything.
  std::uint64_t sparse_from() const {
    const std::uint64_t from = bound_product(64, settings.exponents(), settings.khigh);
    return std::max({lowest_sparse_p, from, settings.khigh + 1});
  }
  void search(std::span<const std::uint64_t> primes, work_type& work, hits_type& hits) const {
    krange_search_block(settings, primes, work, hits);
  }
  void apply(const hits_type& hits, std::size_t j) {
    krange_apply_prime(settings, hits, j, bitmaps);
  }
  /// Makes room in the scratch for blocks of n primes.
  void reserve(work_type& work, std::size_t n) const {
    work.starts.reserve(n);
    work.flags.reserve(n);
  }
  /// The next index from j on where apply does something without events.
  std::size_t next_forced(std::size_t) const { return never; }
  void skip(std::size_t) {}
};

/// The near-Mersenne mode, as krange_mode; its apply step also prints the
/// "trying p: " line of every tenth prime.
struct nm_mode {
  using work_type = nm_work_t;
  using hits_type = nm_hits_t;
  nm_settings_t settings;
  nm_progress_t& progress;

  explicit nm_mode(nm_progress_t& run_progress)
      : settings(nm_current_settings()), progress(run_progress) {}
  std::size_t block_length(std::uint64_t) const { return nm_block_length(settings); }
  /// A prime p has an event in about ahigh^2 / 2p of the rows.
  std::uint64_t sparse_from() const {
    return std::max(lowest_sparse_p, bound_product(64, settings.ahigh, settings.ahigh));
  }
  void search(std::span<const std::uint64_t> primes, work_type& work, hits_type& hits) const {
    nm_search_block(settings, primes, work, hits);
  }
  void apply(const hits_type& hits, std::size_t j) {
    nm_apply_prime(settings, hits, j, progress, nm_bitmap, nm_candidates);
  }
  void reserve(work_type&, std::size_t) const {}
  std::size_t next_forced(std::size_t j) const { return j + (9 - progress.cnt); }
  void skip(std::size_t count) { progress.cnt += static_cast<std::uint32_t>(count); }
};

/// Odd numbers per interval: about 64 blocks' worth of primes, so that
/// starting the strides afresh costs little beside the work on them (and,
/// from 2^44 on, beside the sieving); few enough that the intervals under
/// way take little memory. A power of two from 2^16 to 2^24.
std::uint32_t interval_odd_numbers(std::size_t block_length, std::uint64_t pmax) {
  // Numbers per prime near pmax: ln pmax, from its bit length.
  const std::uint64_t per_prime = (std::bit_width(pmax) * 7 + 9) / 10;
  const std::uint64_t wanted = 64 * std::uint64_t{block_length} * per_prime / 2;
  const std::uint64_t lowest = pmax < (std::uint64_t{1} << 44) ? 1u << 16 : 1u << 24;
  return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(std::bit_ceil(wanted), lowest, 1u << 24));
}

template <class Mode>
struct mode_slot {
  bool interval = false;      ///< the primes low < p <= high, sieved by the worker
  std::uint64_t low = 0, high = 0;
  std::vector<std::uint64_t> primes;  ///< the stream's block
  typename Mode::hits_type hits;
  std::vector<std::uint32_t> eventful;  ///< indices of the primes with events
};

template <class Mode>
struct mode_worker {
  typename Mode::work_type work;
  std::vector<std::uint64_t> primes;  ///< the primes of its interval
  std::optional<interval_sieve> sieve;
};

template <class Mode>
void search_slot(const Mode& mode, std::uint32_t odd_numbers, mode_slot<Mode>& slot,
                 mode_worker<Mode>& w) {
  if (slot.interval) {
    // Primes this far up make few eliminations: the interval is one block.
    // Room for every prime of an interval from the start (above 2^30 fewer
    // than one odd number in eight is prime), so that the block's arrays
    // are not made again and again as intervals hold a few primes more.
    const std::size_t room = odd_numbers / 8 + 64;
    if (slot.hits.primes.capacity() < room) {
      slot.hits.primes.reserve(room);
      slot.hits.first.reserve(room + 1);
    }
    if (!w.sieve) {
      w.sieve.emplace(odd_numbers);
      w.primes.reserve(room);
      mode.reserve(w.work, room);
    }
    w.sieve->primes_between(slot.low, slot.high, w.primes);
    mode.search(w.primes, w.work, slot.hits);
  } else {
    mode.search(slot.primes, w.work, slot.hits);
  }
  slot.eventful.clear();
  for (std::size_t j = 0; j < slot.hits.primes.size(); ++j) {
    if (slot.hits.first[j] != slot.hits.first[j + 1])
      slot.eventful.push_back(static_cast<std::uint32_t>(j));
  }
}

/// The first prime above n (n < 2^63 - 2^11).
std::uint64_t first_prime_above(std::uint64_t n) {
  std::uint64_t q = n + 1;
  while (!is_prime_u64(q)) ++q;
  return q;
}

template <class Mode>
std::uint64_t mode_block_loop(Mode& mode, std::uint64_t pmin, std::uint64_t pmax,
                              std::uint64_t interval, unsigned threads,
                              progress_tracker& progress) {
  const bool parallel = threads > 1;
  std::vector<mode_slot<Mode>> slots(parallel ? 2 * threads : 1);
  std::vector<mode_worker<Mode>> workers(parallel ? threads : 1);
  // The stream gives the primes up to stream_end, the intervals the rest.
  const std::uint64_t sparse = mode.sparse_from();
  const std::uint64_t stream_end =
      parallel && sparse < pmax ? std::max(pmin, sparse & ~std::uint64_t{1}) : pmax;
  const std::uint32_t odd_numbers = interval_odd_numbers(mode.block_length(stream_end), pmax);
  if (stream_end < pmax) prepare_base_primes(pmax + 2);
  std::uint64_t next = next_sieved_p();
  std::uint64_t next_low = stream_end;

  const auto fill = [&](mode_slot<Mode>& slot) {
    if (next <= stream_end) {
      // These modes read no p-1 record: a plain list of primes is the block.
      const std::size_t length = mode.block_length(next);
      slot.interval = false;
      slot.primes.clear();
      for (; next <= stream_end && slot.primes.size() < length; next = next_sieved_p())
        slot.primes.push_back(next);
      return true;
    }
    if (next_low >= pmax) return false;
    slot.interval = true;
    slot.low = next_low;
    slot.high = std::min(pmax, next_low + 2 * std::uint64_t{odd_numbers});
    next_low = slot.high;
    return true;
  };
  const auto work = [&](mode_slot<Mode>& slot, mode_worker<Mode>& w) {
    search_slot(mode, odd_numbers, slot, w);
  };
  std::uint64_t last_save = pmin;
  std::uint64_t rate_span = 0;  // p covered by intervals since the rate was last set
  const auto finish = [&](mode_slot<Mode>& slot) {
    if (slot.interval) {
      // The rate of the progress lines: p covered per processor second (all
      // threads), over at least a tenth of a second.
      rate_span += slot.high - slot.low;
      time_stop(&timeinterval);
      if (timeinterval.total >= 100000) {
        interval_rate = compute_interval_rate(rate_span, timeinterval.total);
        timeinterval.total = 0;
        rate_span = 0;
      }
      time_start(&timeinterval);
    }
    const std::vector<std::uint64_t>& primes = slot.hits.primes;
    const std::size_t count = primes.size();
    std::size_t e = 0;
    for (std::size_t j = 0; j < count;) {
      // Up to the next prime with something to do, a prime only counts.
      const std::size_t next_event = e < slot.eventful.size() ? slot.eventful[e] : count;
      const std::uint64_t due = last_save > never - interval ? never : last_save + interval;
      const auto save_at = static_cast<std::size_t>(
          std::lower_bound(primes.begin() + static_cast<std::ptrdiff_t>(j), primes.end(), due) -
          primes.begin());
      const std::size_t stop = std::min({next_event, save_at, mode.next_forced(j), count});
      stat_testedp += stop - j;
      mode.skip(stop - j);
      j = stop;
      if (j == count) break;
      ++stat_testedp;
      mode.apply(slot.hits, j);
      if (j == next_event) ++e;
      if (primes[j] - last_save >= interval) {
        // A stop here leaves the rest of the block searched but not applied.
        if (!save_progress(primes[j], progress)) return false;
        last_save = primes[j];
      }
      ++j;
    }
    return true;
  };
  run_ordered(slots, workers, fill, work, finish);
  return stream_end < pmax ? first_prime_above(pmax) : next;
}

}  // namespace

std::uint64_t krange_range_loop(bool twin, std::uint64_t pmin, std::uint64_t pmax,
                                std::uint64_t interval, unsigned threads,
                                progress_tracker& progress) {
  krange_mode mode(twin);
  return mode_block_loop(mode, pmin, pmax, interval, threads, progress);
}

std::uint64_t nm_range_loop(nm_progress_t& trying, std::uint64_t pmin, std::uint64_t pmax,
                            std::uint64_t interval, unsigned threads, progress_tracker& progress) {
  nm_mode mode(trying);
  return mode_block_loop(mode, pmin, pmax, interval, threads, progress);
}

}  // namespace quorvel
