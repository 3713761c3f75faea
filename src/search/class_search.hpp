// The baby-step giant-step engine behind both searches of one prime.
//
// A walk asks for every u in [u_lo, u_hi) with u = 0 (mod modulus) and
// k*2^(start + u) = -1 (Proth) or +1 (Riesel) modulo p. All walks of a prime
// share one table of giant steps -+2^-(e0 + jS), j = 0, 1, ..., whose stride S
// is a multiple of every modulus; each walk then takes the baby steps
// k*2^(start + t), t = 0, modulus, ... below S, and a match with entry j means
// u = e0 + jS + t. S is chosen to balance the table against the walks, so the
// work per prime is near its minimum whatever the number of walks.
//
// The solutions of a walk are recorded in the order of a search with the
// stride g_order: by u mod g_order, then by u / g_order.
//
// A search runs in three steps so that the powers of 2 it needs can be
// computed together with those of other primes: plan, queue the powers, run.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "arith/batch.hpp"
#include "search/power_batch.hpp"
#include "search/prime_job.hpp"

namespace quorvel {

struct class_walk_t {
  std::uint32_t kindex;
  std::uint64_t start;    ///< n = start + u
  std::uint64_t modulus;  ///< u = 0 (mod modulus), modulus >= 1
  std::uint64_t xmod;     ///< passed to the factor report
  /// Set when the walk covers the k's whole class n = akequiv (mod akpower)
  /// on behalf of its residue classes a (mod akmod): a solution counts only
  /// when n mod akmod is one of them and n - a lies in [u_lo, u_hi), and
  /// solutions are ordered by class first, as walks of the classes would be.
  bool by_classes = false;
  /// The step the walk takes, a divisor of modulus and of the stride (set by
  /// plan_class_search); a step below the modulus walks a coarser class and
  /// keeps only the u that are multiples of the modulus.
  std::uint64_t step = 1;
  /// The walk's modulus's index among the moduli of the plan (set by
  /// plan_class_search, below class_search_t::moduli); walks of one index
  /// share their step. Equal moduli nearly always share one index.
  std::uint32_t modulus_slot = 0;
  /// Handles of 2^start and 2^step in the power batch.
  std::uint32_t two_start = 0, two_step = 0;
};

struct class_search_t {
  std::vector<class_walk_t> walks;
  std::uint64_t u_lo = 0, u_hi = 0;
  std::uint64_t g_order = 1;  ///< the stride whose order the reports follow
  std::uint64_t reach = 0;    ///< how far past u_hi walks by classes look
  // Filled by plan_class_search.
  std::uint64_t stride = 1, e0 = 0, entries = 0;
  std::uint32_t moduli = 0;  ///< distinct moduli among the walks
  // Handles of the powers of the giant steps in the power batch.
  std::uint32_t giant_start = 0, giant_step = 0;

  bool empty() const { return walks.empty() || u_hi <= u_lo; }
};

/// The scratch space of the searches of one worker, reused from prime to
/// prime (sized by the largest search met so far).
struct class_scratch_t {
  /// The giant steps of the search in progress and their index. In front, a
  /// bit per residue's low bits, 32 bits per step: a baby step without a
  /// match nearly always stops at this bit, without a branch it could
  /// mispredict. Behind it, read only past the filter, a direct-mapped table
  /// by a multiplicative hash of the residue (independent of the low bits the
  /// filter reads), two slots per step: a slot holds 0 (empty) or 1 + the
  /// first step in it, and the steps sharing a slot are chained in increasing
  /// order through `next`. Filter and slots are cleared by a sequential fill
  /// per search, which streams their lines into the cache.
  std::vector<std::uint64_t> giant;
  std::vector<std::uint64_t> filter;
  std::uint64_t filter_mask = 0;
  std::vector<std::uint32_t> slot, next;
  int slot_bits = 6;

  std::vector<std::uint64_t> sequence;
  std::vector<std::uint64_t> offset;  ///< where each walk's baby steps start in `sequence`
  std::vector<std::uint64_t> hits;    ///< positions in `sequence` that passed the filter
  std::vector<std::uint64_t> solutions;

  /// The plan's distinct moduli (then the steps), their walk counts, each
  /// walk's slot, the slots by ascending modulus, and a small table by the
  /// modulus's hash, valid for the plan whose stamp it carries.
  std::vector<std::uint64_t> moduli;
  std::vector<double> weight;
  std::vector<std::uint32_t> walk_slot, order;
  std::array<std::uint64_t, 64> seen_modulus{}, seen_stamp{};
  std::array<std::uint32_t, 64> seen_slot{};
  std::uint64_t stamp = 0;

  /// Per modulus slot: the handle of the power of its step.
  std::vector<std::uint32_t> handle;
  /// Per modulus slot: the powers of its step, the search that last counted
  /// its walks, and how many of them are still to be made.
  std::vector<geometric_powers_t> ratio_powers;
  std::vector<std::uint64_t> seen_in;
  std::vector<std::uint32_t> slot_walks;
  std::uint64_t search_serial = 0;
};

/// Chooses the stride and the table extent; returns the cost of the search
/// in table stores plus baby steps.
double plan_class_search(class_search_t& cs, class_scratch_t& s);

/// Queues the powers of 2 the search needs (under the modulus of st).
void queue_class_powers(class_search_t& cs, const prime_state_t& st, power_batch_t& batch,
                        class_scratch_t& s);

/// Runs the search with the queued powers (modulo st.mod); records the
/// solutions in st.found.
void run_class_search(const class_search_t& cs, prime_state_t& st, const power_batch_t& batch,
                      class_scratch_t& s);

}  // namespace quorvel
