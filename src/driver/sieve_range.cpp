// The hot loop. It is instantiated once per per-prime routine, so each
// prime costs the driver a counter increment, setting the modulus, a direct
// call and one subtraction and comparison; all printing and file work
// happens in the out-of-line progress save.
#include "driver/sieve_range.hpp"

#include "arith/mulmod.hpp"
#include "driver/progress.hpp"
#include "driver/statistics.hpp"
#include "krange/krange.hpp"
#include "nearmersenne/nearmersenne.hpp"
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

/// near-Mersenne mode needs no modulus state.
void nm_do_p_with_modulus(std::uint64_t p, const arith_state_t&) { nm_do_p(p); }

[[gnu::noinline, gnu::cold]] void save_progress(std::uint64_t p, std::ostream& out) {
  progress_save(p, out);
}

template <void (*do_p)(std::uint64_t, const arith_state_t&)>
std::uint64_t prime_loop(std::uint64_t pmin, std::uint64_t pmax, std::uint64_t interval,
                         std::ostream& out) {
  arith_state_t mod;
  std::uint64_t last_save = pmin;
  std::uint64_t p = next_sieved_p();
  while (p <= pmax) {
    ++stat_testedp;
    set_prime_modulus(mod, p);
    do_p(p, mod);
    if (p - last_save >= interval) {
      save_progress(p, out);
      last_save = p;
    }
    p = next_sieved_p();
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
  static search_context_t ctx;
  std::uint64_t last_save = pmin;
  std::uint64_t p = next_sieved_p();
  while (p <= pmax) {
    block.count = 0;
    while (p <= pmax && block.count < block_capacity) {
      block.jobs[block.count++].reset(p, pminus1_factors(sievewindowindex));
      p = next_sieved_p();
    }
    ctx.whackedk = ctx.whackedp = 0;
    search_block(block, ctx);
    stat_whackedk += ctx.whackedk;
    stat_whackedp += ctx.whackedp;
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
      p_end = prime_loop<krange_do_p>(pmin, pmax, interval, out);
      break;
    case mode_krangetwin:
      p_end = prime_loop<krangetwin_do_p>(pmin, pmax, interval, out);
      break;
    case mode_nearmersenne:
      p_end = prime_loop<nm_do_p_with_modulus>(pmin, pmax, interval, out);
      break;
    default:
      p_end = block_loop(pmin, pmax, interval, out);
      break;
  }
  time_stop(&timetot);
  return p_end;
}

}  // namespace quorvel
