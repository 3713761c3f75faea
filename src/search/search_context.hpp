// Everything the Proth/Riesel search of one worker changes while it handles
// its primes: the power batches and plans of a block, the scratch space of
// the order of 2, of the logarithms and of the final searches, and the drop
// counts. A worker owns one context and passes it to every routine of the
// search; two workers never share one. What the search reads besides (the k
// table, the period classes, the settings) is fixed before the first prime.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "quorvel/common.hpp"
#include "search/class_search.hpp"
#include "search/power_batch.hpp"
#include "search/prime_job.hpp"
#include "search/sph_scratch.hpp"
#include "search/subgroup_dlog.hpp"

namespace quorvel {

/// A k that passed the screen, with the indices of its powers.
struct passer_t {
  std::uint32_t kindex;
  std::uint64_t gk;  ///< gcd(akpower, B)
  std::uint64_t d_over_gk;
  std::uint32_t y;       ///< c^(B/D) in the first batch
  std::uint32_t two_gk;  ///< 2^(B/gk) in the first batch
  std::uint32_t test;    ///< y^(D/gk) in the second batch
  std::uint32_t two_ae;  ///< 2^(aE) in the second batch
};

/// A prime power f^e of Pm with the indices of its generators.
struct part_plan_t {
  std::uint64_t f, fe, m;
  std::uint64_t d_over_fe;
  std::uint32_t e;
  std::uint32_t g, gamma, giant;  ///< indices in the logs batch
};

/// The plan of one prime of a block.
struct job_plan_t {
  std::uint64_t g = 1, d = 1;
  std::uint32_t h = 0;  ///< index of 2^-(B/Pm) in the first batch
  std::uint32_t nparts = 0;
  std::array<part_plan_t, 16> parts;
  std::uint32_t first_passer = 0, npassers = 0;
  std::array<std::uint32_t, max_k> first_part{};
  class_search_t cs;
};

/// A prime factor of p-1 whose power of 2 is still being raised towards 1.
struct raising_t {
  prime_state_t* st;
  std::uint32_t i;
  std::uint64_t y;
  std::uint32_t power = 0;  ///< handle of the power that gives y
};

struct search_context_t {
  // The stages of a block (search_block.cpp).
  power_batch_t first, second, logs, walks;
  std::vector<passer_t> passers;
  std::array<job_plan_t, block_capacity> plans;
  subgroup_dlog_t dlog;
  std::array<std::array<std::uint64_t, max_k>, block_capacity> screen_t;
  std::array<std::array<std::uint8_t, max_k>, block_capacity> screen_byte;

  // The order of 2 (order_of_two.cpp).
  power_batch_t order_batch;
  std::vector<raising_t> raising, raising_next;

  // The final searches and their plans (class_search.cpp, check_factors.cpp).
  class_scratch_t classes;
  class_search_t coarse;

  // The narrowing to one class (sph_idea.cpp).
  sph_scratch_t sph;

  /// Drop counts since the owner last cleared them: (prime, k) pairs dropped
  /// by the filters, and primes for which every k was dropped.
  std::uint64_t whackedk = 0;
  std::uint64_t whackedp = 0;
};

}  // namespace quorvel
