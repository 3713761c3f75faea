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

#include "arith/mulmod.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "quorvel/search_state.hpp"
#include "search/prime_state.hpp"
#include "search/search.hpp"
#include "search/subgroup_dlog.hpp"

namespace quorvel {

namespace {

subgroup_dlog_t sph_dlog;

void drop_k(prime_state_t& st, std::uint32_t i) {
  st.akmask[i] = 0;
  --st.kmaskcnt;
  ++stat_whackedk;
}

}  // namespace

bool sph_idea(std::uint64_t p, std::uint64_t b) {
  prime_state_t& st = prime_state;
  const std::uint64_t pm = st.pm;
  if (pm <= 4) return false;

  // The prime factorisation of Pm, from the prime factors of p-1 that the
  // chunks are built of.
  std::array<std::pair<std::uint64_t, std::uint32_t>, 16> factors;
  std::uint32_t nfactors = 0;
  std::uint64_t rest = pm;
  for (std::uint32_t i = 0; i < st.npfactors && rest > 1; ++i) {
    const std::uint64_t f = st.pfactors[i].f;
    std::uint32_t e = 0;
    while (rest % f == 0) {
      rest /= f;
      ++e;
    }
    if (e != 0) factors[nfactors++] = {f, e};
  }
  dlog_prepare(sph_dlog, powmod_sse2((p + 1) / 2, b / pm), pm, factors.data(), nfactors);

  std::array<std::uint32_t, max_k> idx;
  std::array<std::uint64_t, max_k> xs, logs;
  std::array<bool, max_k> ok;
  std::uint32_t count = 0;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    if (st.akmask[i] == 0) continue;
    idx[count] = i;
    xs[count++] = st.x[i];
  }
  dlog_find(sph_dlog, xs.data(), logs.data(), ok.data(), count);

  // Every n of the k is akequiv (mod akpower): the two classes must agree
  // modulo their gcd, and their join starts at the least n >= n mod Pm.
  std::array<std::uint64_t, max_k> res{}, step{};
  for (std::uint32_t j = 0; j < count; ++j) {
    const std::uint32_t i = idx[j];
    if (!ok[j]) {
      drop_k(st, i);
      continue;
    }
    const std::uint64_t power = akpower[i];
    const std::uint64_t g = std::gcd(pm, power);
    if ((logs[j] + power - akequiv[i]) % g != 0) {
      drop_k(st, i);
      continue;
    }
    std::uint64_t n = logs[j];
    while (n % power != akequiv[i] % power) n += pm;
    if (n > nhigh) {
      drop_k(st, i);
      continue;
    }
    res[i] = n;
    step[i] = pm / g * power;
  }
  if (st.kmaskcnt == 0) {
    ++stat_whackedp;
    return true;
  }
  const std::uint64_t x = pm / std::gcd(pm, std::uint64_t{kpowerlcm}) * kpowerlcm;
  check_factors_sph(p, x, res, step);
  return true;
}

}  // namespace quorvel
