// Start-up. A Proth or Riesel run with at most 19 k uses a window eight
// times larger and a search hash table half as large as every other run:
// with few k the per-prime search is cheap and the sieve dominates.
#include "driver/start_up.hpp"

#include <sys/resource.h>

#include "db/candidate_file.hpp"
#include "krange/krange.hpp"
#include "nearmersenne/nearmersenne.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "quorvel/search_state.hpp"
#include "search/search.hpp"

namespace quorvel {

void set_process_priority(std::uint32_t priority) {
  const int nice_value = 20 - 10 * static_cast<int>(priority);
  (void)setpriority(PRIO_PROCESS, 0, nice_value);
}

bool start_up(const options_t& opt, std::ostream& out) {
  const bool proth_riesel = mode == mode_proth || mode == mode_riesel;
  if (proth_riesel) {
    out << "Initializing... " << std::flush;
    if (verbose != 0) out << std::endl;
    if (!read_db(zel_dat_filename)) return false;
    if (verbose == 0) out << "Done." << std::endl;
  }

  const bool few_k = proth_riesel && num_k <= 19;
  hash_bits = few_k ? 12 : 13;
  set_sieve_window_size(few_k ? 4194304 : 524288);
  eratosthenes_base(base_prime_bound);

  switch (mode) {
    case mode_krange:
      krange_initialize(opt.krange_plusfile, opt.krange_minusfile);
      break;
    case mode_krangetwin:
      krangetwin_initialize(opt.krangetwin_file);
      break;
    case mode_nearmersenne:
      if (nm_initialize() != 1) return false;
      break;
    default:
      if (!initialize_proth_riesel()) return false;
      break;
  }
  return true;
}

}  // namespace quorvel
