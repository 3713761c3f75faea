// Proth and Riesel factor search: set-up once per run, then every prime,
// singly (test_idea) or in blocks (search_block in prime_job.hpp).
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "quorvel/common.hpp"
#include "search/prime_job.hpp"

namespace quorvel {

struct class_search_t;
struct subgroup_dlog_t;
class power_batch_t;
struct search_context_t;

/// Completes the k table for the search (Jacobi bitmaps, screen switch-offs,
/// the standard-set data); false (after a one-line message) when it cannot.
bool initialize_proth_riesel();

/// The per-prime routine of Proth and Riesel mode for one prime p with the
/// prime stream's p-1 record of p: filters the k, searches the rest and
/// reports every factor found.
void test_idea(std::uint64_t p, std::span<const std::uint32_t> record, search_context_t& ctx);

/// Plans the plain baby-step giant-step search of every masked k over its
/// residue classes.
void check_factors(const prime_state_t& st, class_search_t& cs, search_context_t& ctx);

/// Narrows each masked k to one class of n from its logarithm modulo the
/// usable part Pm of the order (d holds the parts of Pm; the logarithm
/// inputs of k index i start at ys[first_part[i]]) and plans the search of
/// that class; drops the k that have no class in range.
void sph_idea(prime_state_t& st, const subgroup_dlog_t& d, const power_batch_t& ys,
              const std::array<std::uint32_t, max_k>& first_part, class_search_t& cs,
              search_context_t& ctx);

/// Plans the search, for each masked k, of the n = res[i] (mod step[i]) with
/// a giant stride derived from x, a common multiple of every step[i].
void check_factors_sph(const prime_state_t& st, std::uint64_t x,
                       const std::array<std::uint64_t, max_k>& res,
                       const std::array<std::uint64_t, max_k>& step, class_search_t& cs,
                       search_context_t& ctx);

}  // namespace quorvel
