// The candidate-file generator's core: which n of a range leave k*2^n+1
// (Proth) or k*2^n-1 (Riesel) without a prime factor up to a bound, for a
// list of k, and the candidate file that lists them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

/// Surviving exponents, one ascending list per k (in the order of the k).
using candidate_lists_t = std::vector<std::vector<std::uint32_t>>;

/// For every k of `ks` the n with nmin <= n <= nmax whose number
/// N = k*2^n+1 (form mode_proth) or k*2^n-1 (form mode_riesel) has no prime
/// factor p <= bound, where a number that is itself a prime <= bound counts
/// as having none; numbers below 2 (which are never prime) are left out.
/// Needs: every k odd, 1 <= k < 2^31; nmin <= nmax; 3 <= bound < 2^32.
/// Memory stays below about 64 MiB of bitmaps however long the n range; a
/// range longer than 2^29 / ks.size() n is sieved in several passes.
candidate_lists_t generate_candidates(int form, const std::vector<std::int32_t>& ks,
                                      std::uint32_t nmin, std::uint32_t nmax, std::uint32_t bound);

/// generate_candidates with passes of `pass_span` >= 1 n each (the tests
/// use short passes to check that the joins between them are seamless).
candidate_lists_t generate_candidates_in_passes(int form, const std::vector<std::int32_t>& ks,
                                                std::uint32_t nmin, std::uint32_t nmax,
                                                std::uint32_t bound, std::uint64_t pass_span);

/// The candidate file of the lists: the lines ks.size(), nmin and nmax; then
/// per k "k=" and k, and its distinct n within nmin..nmax, ascending, the
/// first (and any after an n of 0) absolute, the others as "+" and the
/// difference to the previous one. Every line ends with "\n".
std::string format_candidate_file(const std::vector<std::int32_t>& ks, std::uint32_t nmin,
                                  std::uint32_t nmax, const candidate_lists_t& lists);

}  // namespace quorvel
