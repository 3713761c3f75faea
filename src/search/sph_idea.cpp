// Silver-Pohlig-Hellman narrowing of each k to one class of n.
//
// The chunks of the order of 2 are taken from the front of the list while
// their product Pm fits into the n range. With h = 2^(-B/Pm), which has order
// exactly Pm, a solution n of k*2^n = -1 (Proth; +1 Riesel) satisfies
// h^n = x with x = (-k)^(B/Pm) (Riesel: k^(B/Pm)), so n mod Pm is the
// logarithm of x to the base h, or there is no solution when x is not a power
// of h. Joined with the k's own class n = akequiv (mod akpower) this leaves
// one class modulo lcm(Pm, akpower), which check_factors_sph searches.

#include <vector>

#include "arith/divisor.hpp"
#include "arith/number_theory.hpp"
#include "quorvel/ktable.hpp"
#include "search/class_search.hpp"
#include "search/period_classes.hpp"
#include "search/power_batch.hpp"
#include "search/search.hpp"
#include "search/search_context.hpp"
#include "search/subgroup_dlog.hpp"

namespace quorvel {

namespace {

void drop_k(prime_state_t& st, std::uint32_t i, search_context_t& ctx) {
  st.akmask[i] = 0;
  --st.kmaskcnt;
  ++ctx.whackedk;
}

/// The divisor_t of d, for the divisors d of the periods (at most 20,000):
/// built once each, on first use.
const divisor_t& small_divisor(sph_scratch_t& scratch, std::uint64_t d) {
  std::vector<divisor_t>& table = scratch.divisors;
  if (table.size() <= d) table.resize(d + 1);
  divisor_t& entry = table[d];
  if (entry.value() != d) entry = divisor_t(d);
  return entry;
}

/// The parts of a join that depend only on the period and on r = Pm mod
/// period: g = gcd(r, P), P/g and (Pm/g)^-1 = (r/g)^-1 modulo P/g.
join_t join_by_residue(sph_scratch_t& scratch, std::uint64_t r, std::uint64_t power) {
  join_t join;
  join.power = power;
  join.g = binary_gcd(r, power);
  join.by_g = small_divisor(scratch, join.g);
  join.pg = join.by_g.divide(power);
  join.by_pg = small_divisor(scratch, join.pg);
  join.by_power = small_divisor(scratch, power);
  if (join.pg > 1)
    join.inv = multinv32(static_cast<std::uint32_t>(join.by_g.divide(r)),
                         static_cast<std::uint32_t>(join.pg));
  return join;
}

/// Periods up to this keep their joins by residue for the whole run.
constexpr std::uint64_t cached_period = 256;

/// The join of Pm with a period, from a table per period class for the
/// short periods (the residues of Pm recur from prime to prime).
join_t make_join(sph_scratch_t& scratch, std::uint64_t pm, std::uint64_t power, std::uint32_t c) {
  const std::uint64_t r = pm % power;
  join_t join;
  if (power <= cached_period) {
    std::vector<join_t>& table = scratch.join_cache[c];
    if (table.size() < power) table.resize(power);
    // An entry made for another period (an earlier k table) is remade.
    if (table[r].power != power) table[r] = join_by_residue(scratch, r, power);
    join = table[r];
  } else {
    join = join_by_residue(scratch, r, power);
  }
  join.step = join.by_g.divide(pm) * power;
  return join;
}

}  // namespace

void sph_idea(prime_state_t& st, const subgroup_dlog_t& d, const power_batch_t& ys,
              const std::array<std::uint32_t, max_k>& first_part, class_search_t& cs,
              search_context_t& ctx) {
  sph_scratch_t& scratch = ctx.sph;
  const std::uint64_t pm = st.pm;
  // Read only where the k is still masked in.
  std::array<std::uint64_t, max_k> res, step;
  // The join of each distinct period, made for this prime when first needed.
  std::array<join_t, max_k>& joins = scratch.joins;
  std::array<std::uint64_t, max_k>& joined_for = scratch.joined_for;
  const std::uint64_t prime_serial = ++scratch.prime_serial;
  // The k that stay are moved to the front of the active list, in order.
  const std::uint32_t active = st.kmaskcnt;
  std::uint32_t kept = 0;
  for (std::uint32_t a = 0; a < active; ++a) {
    const std::uint32_t i = st.kactive[a];
    // The inputs of the parts follow one another in their queue.
    std::uint64_t n;
    if (!dlog_solve(d, ys.results(first_part[i]), n)) {
      drop_k(st, i, ctx);
      continue;
    }
    const std::uint64_t power = akpower[i];
    const std::uint32_t c = period_index[i];
    if (joined_for[c] != prime_serial) {
      joins[c] = make_join(scratch, pm, power, c);
      joined_for[c] = prime_serial;
    }
    const join_t& join = joins[c];
    // Every n of the k is akequiv (mod akpower): the two classes must agree
    // modulo their gcd, and their join starts at the least n >= n mod Pm.
    const std::uint64_t equiv = join.by_power.mod(akequiv[i]);
    const std::uint64_t n_mod = join.by_power.mod(n);
    const std::uint64_t gap = equiv >= n_mod ? equiv - n_mod : equiv + power - n_mod;
    std::uint64_t rem;
    const std::uint64_t gap_g = join.by_g.quotient(gap, rem);
    if (rem != 0) {
      drop_k(st, i, ctx);
      continue;
    }
    // The least n + j*Pm = akequiv (mod P): j = (gap/g) * (Pm/g)^-1 modulo
    // P/g.
    if (join.pg > 1) n += pm * join.by_pg.mod(join.by_pg.mod(gap_g) * join.inv);
    if (n > nhigh) {
      drop_k(st, i, ctx);
      continue;
    }
    res[i] = n;
    step[i] = join.step;
    st.kactive[kept++] = static_cast<std::uint8_t>(i);
  }
  if (st.kmaskcnt == 0) {
    ++ctx.whackedp;
    cs.walks.clear();
    return;
  }
  const std::uint64_t x = pm / binary_gcd(pm, std::uint64_t{kpowerlcm}) * kpowerlcm;
  check_factors_sph(st, x, res, step, cs, ctx);
}

}  // namespace quorvel
