// Silver-Pohlig-Hellman narrowing of each k to one class of n.
//
// The chunks of the order of 2 are taken from the front of the list while
// their product Pm fits into the n range. With h = 2^(-B/Pm), which has order
// exactly Pm, a solution n of k*2^n = -1 (Proth; +1 Riesel) satisfies
// h^n = x with x = (-k)^(B/Pm) (Riesel: k^(B/Pm)), so n mod Pm is the
// logarithm of x to the base h, or there is no solution when x is not a power
// of h. Joined with the k's own class n = akequiv (mod akpower) this leaves
// one class modulo lcm(Pm, akpower), which check_factors_sph searches.
#include <numeric>

#include "arith/number_theory.hpp"
#include "quorvel/ktable.hpp"
#include "quorvel/search_state.hpp"
#include "search/class_search.hpp"
#include "search/power_batch.hpp"
#include "search/search.hpp"
#include "search/subgroup_dlog.hpp"

namespace quorvel {

namespace {

void drop_k(prime_state_t& st, std::uint32_t i) {
  st.akmask[i] = 0;
  --st.kmaskcnt;
  ++stat_whackedk;
}

}  // namespace

void sph_idea(prime_state_t& st, const subgroup_dlog_t& d, const power_batch_t& ys,
              const std::array<std::uint32_t, max_k>& first_part, class_search_t& cs) {
  const std::uint64_t pm = st.pm;
  std::array<std::uint64_t, max_k> res{}, step{};
  for (std::uint32_t i = 0; i < num_k; ++i) {
    if (st.akmask[i] == 0) continue;
    std::uint64_t n;
    if (!dlog_solve(d, ys.results() + first_part[i], n)) {
      drop_k(st, i);
      continue;
    }
    // Every n of the k is akequiv (mod akpower): the two classes must agree
    // modulo their gcd, and their join starts at the least n >= n mod Pm.
    const std::uint64_t power = akpower[i];
    const std::uint64_t g = std::gcd(pm, power);
    if ((n + power - akequiv[i]) % g != 0) {
      drop_k(st, i);
      continue;
    }
    // The least n + j*Pm = akequiv (mod P): j = ((a - n)/g) * (Pm/g)^-1
    // modulo P/g.
    const std::uint64_t pg = power / g;
    if (pg > 1) {
      const std::uint64_t want = ((akequiv[i] % power + power - n % power) % power) / g % pg;
      const std::uint64_t inv = multinv32(static_cast<std::uint32_t>(pm / g % pg),
                                          static_cast<std::uint32_t>(pg));
      n += pm * (want * inv % pg);
    }
    if (n > nhigh) {
      drop_k(st, i);
      continue;
    }
    res[i] = n;
    step[i] = pm / g * power;
  }
  if (st.kmaskcnt == 0) {
    ++stat_whackedp;
    cs.walks.clear();
    return;
  }
  const std::uint64_t x = pm / std::gcd(pm, std::uint64_t{kpowerlcm}) * kpowerlcm;
  check_factors_sph(st, x, res, step, cs);
}

}  // namespace quorvel
