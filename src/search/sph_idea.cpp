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
#include <utility>
#include <vector>

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

/// The prime factorisation of the product of the taken chunks, from the
/// prime factors of p-1 (every chunk is built of them).
std::vector<std::pair<std::uint64_t, std::uint32_t>> factor_chunks(const prime_state_t& st,
                                                                   std::uint64_t pm) {
  std::vector<std::pair<std::uint64_t, std::uint32_t>> out;
  for (std::uint32_t i = 0; i < st.npfactors && pm > 1; ++i) {
    const std::uint64_t f = st.pfactors[i].f;
    std::uint32_t e = 0;
    while (pm % f == 0) {
      pm /= f;
      ++e;
    }
    if (e != 0) out.emplace_back(f, e);
  }
  return out;
}

}  // namespace

bool sph_idea(std::uint64_t p, std::uint64_t b) {
  prime_state_t& st = prime_state;
  const std::uint64_t range = nhigh - nlow;
  std::uint64_t pm = 1;
  for (std::uint32_t i = 0; i < st.o2bfactors; ++i) {
    const std::uint64_t c = st.ao2bfactors[i];
    if (c > range / pm) break;
    pm *= c;
  }
  if (pm <= 4) return false;

  const std::uint64_t h = powmod_sse2((p + 1) / 2, b / pm);
  dlog_prepare(sph_dlog, h, pm, factor_chunks(st, pm));

  std::array<std::uint64_t, max_k> res{};
  std::array<std::uint64_t, max_k> step{};
  const bool proth = mode == mode_proth;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    if (st.akmask[i] == 0) continue;
    const std::uint64_t k = static_cast<std::uint64_t>(ak[i]) % p;
    const std::uint64_t base = proth ? p - k : k;
    std::uint64_t n;
    if (!dlog_find(sph_dlog, powmod_sse2(base, b / pm), n)) {
      drop_k(st, i);
      continue;
    }
    res[i] = n;
  }
  // Every n of the k is akequiv (mod akpower): the two classes must agree
  // modulo their gcd, and their join starts at the least n >= res.
  for (std::uint32_t i = 0; i < num_k; ++i) {
    if (st.akmask[i] == 0) continue;
    const std::uint64_t power = akpower[i];
    const std::uint64_t g = std::gcd(pm, power);
    if ((res[i] + power - akequiv[i]) % g != 0) {
      drop_k(st, i);
      continue;
    }
    std::uint64_t n = res[i];
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
