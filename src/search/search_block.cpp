// The search of a block of primes, stage by stage, with the powers of all
// primes of the block computed side by side at each stage:
//
//  1. the order of 2 (order_of_two.cpp): B, the chunks and Pm;
//  2. the filters: every k that passes its quadratic-residue screen meets the
//     power test. With c = -k (Proth) or k (Riesel) and v = c*2^a, every
//     n = a + jP needs v*(2^P)^j = 1, so v must lie in the subgroup generated
//     by 2^P: v^E = 1 with E = B / gcd(P, B). With g = gcd(B, kpowerlcm)
//     (every gk = gcd(P, B) divides it) and D = lcm(Pm, g), one large power
//     y = c^(B/D) gives c^E = y^(D/gk), and 2^(aE) = (2^(B/gk))^(a mod gk)
//     from one power of 2 per distinct gk. Also h = 2^-(B/Pm), of order Pm;
//  3. for the k that stay, the inputs of their logarithms modulo Pm:
//     (c^(B/Pm))^(Pm/f^e) = y^(D/f^e) for every prime power f^e of Pm, and
//     the generators of the parts, powers of h (only for primes with k left);
//  4. per prime, the logarithms and the plan of the final search (sph_idea),
//     or the plain search when Pm is 1 (check_factors);
//  5. the powers of 2 of every final search, then the searches themselves.
#include <algorithm>
#include <utility>
#include <vector>

#include "arith/mulmod.hpp"
#include "arith/number_theory.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "search/class_search.hpp"
#include "search/order_of_two.hpp"
#include "search/period_classes.hpp"
#include "search/power_batch.hpp"
#include "search/residue_screen.hpp"
#include "search/search.hpp"
#include "search/search_context.hpp"
#include "search/subgroup_dlog.hpp"

namespace quorvel {

namespace {

/// Stage 2 for one prime: the screens, then the powers of its passers.
void queue_filters(search_context_t& ctx, prime_state_t& st, job_plan_t& plan,
                   const std::uint64_t* t, const std::uint8_t* byte) {
  std::vector<passer_t>& passers = ctx.passers;
  power_batch_t& first = ctx.first;
  st.kmaskcnt = 0;
  const std::uint64_t b = st.b, p = st.p;
  plan.g = binary_gcd(b, std::uint64_t{kpowerlcm});
  plan.d = st.pm / binary_gcd(st.pm, plan.g) * plan.g;
  plan.first_passer = static_cast<std::uint32_t>(passers.size());
  plan.nparts = 0;
  const bool proth = mode == mode_proth;
  const std::uint64_t b_over_d = b / plan.d;
  // One power 2^(B/gk) per distinct gk = gcd(P, g) (a handful: divisors of
  // g), queued when the first k of that gk passes its screen.
  const period_split_t& split = period_split(static_cast<std::uint32_t>(plan.g));
  constexpr std::uint32_t unqueued = ~std::uint32_t{0};
  std::array<std::uint32_t, max_k> two_gk;
  std::array<std::uint64_t, max_k> d_over_gk;
  std::fill_n(two_gk.begin(), split.count, unqueued);
  // The k that pass their screens, listed without a branch per k.
  std::array<std::uint8_t, max_k> passing;
  std::uint32_t npassing = 0;
  std::fill_n(st.akmask.begin(), num_k, std::uint8_t{0});
  for (std::uint32_t i = 0; i < num_k; ++i) {
    passing[npassing] = static_cast<std::uint8_t>(i);
    npassing += (aknres[i] != 0) & passes_residue_screen(p, i, t[i], byte[i]);
  }
  ctx.whackedk += num_k - npassing;
  for (std::uint32_t a = 0; a < npassing; ++a) {
    const std::uint32_t i = passing[a];
    const std::uint64_t ku = static_cast<std::uint64_t>(ak[i]);
    const std::uint64_t k = ku < p ? ku : ku % p;
    const std::uint64_t c = proth && k != 0 ? p - k : k;
    const std::uint32_t q = split.of_k[i];
    const std::uint64_t gk = split.value[q];
    if (two_gk[q] == unqueued) {
      two_gk[q] = first.add(st, 2, b / gk);
      d_over_gk[q] = plan.d / gk;
    }
    passers.push_back({i, gk, d_over_gk[q], first.add(st, c, b_over_d), two_gk[q], 0, 0});
  }
  plan.npassers = static_cast<std::uint32_t>(passers.size()) - plan.first_passer;
  if (st.pm > 1 && plan.npassers != 0) plan.h = first.add(st, 2, b - b / st.pm);
}

/// Stage 3 for one prime: the power test decides; for the k that stay, the
/// inputs of their logarithms and the generators of the parts of Pm.
void decide_filters(search_context_t& ctx, prime_state_t& st, job_plan_t& plan) {
  const std::vector<passer_t>& passers = ctx.passers;
  const power_batch_t& first = ctx.first;
  const power_batch_t& second = ctx.second;
  power_batch_t& logs = ctx.logs;
  // The k that stay, listed without a branch per k (which stay follows no
  // pattern), with the passers they came from.
  std::array<std::uint8_t, max_k> stayed;
  for (std::uint32_t j = 0; j < plan.npassers; ++j) {
    const passer_t& ps = passers[plan.first_passer + j];
    const bool stays = mul_mod_p_reduced(st.mod, second[ps.test], second[ps.two_ae]) == 1;
    st.akmask[ps.kindex] = stays;
    st.kactive[st.kmaskcnt] = static_cast<std::uint8_t>(ps.kindex);
    stayed[st.kmaskcnt] = static_cast<std::uint8_t>(j);
    st.kmaskcnt += stays;
  }
  ctx.whackedk += plan.npassers - st.kmaskcnt;
  if (st.kmaskcnt == 0) {
    ++ctx.whackedp;
    return;
  }
  if (st.pm == 1) return;
  // The parts f^e of Pm; with h of order Pm, g = h^(Pm/f^e) has order f^e,
  // gamma = h^(Pm/f) order f, and the giant step gamma^-m = h^(Pm - m Pm/f).
  const std::uint64_t pm = st.pm, h = first[plan.h];
  std::uint64_t rest = pm;
  for (std::uint32_t i = 0; i < st.npfactors && rest > 1; ++i) {
    const std::uint64_t f = st.pfactors[i].f;
    part_plan_t part{f, 1, 0, 0, 0, 0, 0, 0};
    while (rest % f == 0) {
      rest /= f;
      part.fe *= f;
      ++part.e;
    }
    if (part.e == 0) continue;
    part.d_over_fe = plan.d / part.fe;
    part.g = logs.add(st, h, pm / part.fe);
    // With e = 1 the two are one power.
    part.gamma = part.e == 1 ? part.g : logs.add(st, h, pm / f);
    if (part.fe > dlog_scan_whole && f > dlog_scan_prime) {
      part.m = dlog_baby_steps(f, st.kmaskcnt);
      part.giant = logs.add(st, h, (pm - part.m % f * (pm / f)) % pm);
    }
    plan.parts[plan.nparts++] = part;
  }
  for (std::uint32_t a = 0; a < st.kmaskcnt; ++a) {
    const passer_t& ps = passers[plan.first_passer + stayed[a]];
    // The inputs of one k go into one queue, so that their handles follow
    // one another.
    const std::uint64_t y = first[ps.y];
    if (plan.d >> 32 == 0) {
      plan.first_part[ps.kindex] = logs.add(st, y, plan.parts[0].d_over_fe);
      for (std::uint32_t q = 1; q < plan.nparts; ++q) logs.add(st, y, plan.parts[q].d_over_fe);
    } else {
      plan.first_part[ps.kindex] = logs.add_long(st, y, plan.parts[0].d_over_fe);
      for (std::uint32_t q = 1; q < plan.nparts; ++q) logs.add_long(st, y, plan.parts[q].d_over_fe);
    }
  }
}

/// Stage 4 for one prime: logarithms and the plan of its final search.
void plan_search(search_context_t& ctx, prime_state_t& st, job_plan_t& plan) {
  subgroup_dlog_t& dlog = ctx.dlog;
  plan.cs.walks.clear();
  if (st.kmaskcnt == 0) return;
  if (st.pm == 1) {
    check_factors(st, plan.cs, ctx);
  } else {
    dlog.mod = st.mod;
    dlog.order = st.pm;
    dlog.nparts = plan.nparts;
    for (std::uint32_t q = 0; q < plan.nparts; ++q) {
      const part_plan_t& pp = plan.parts[q];
      dlog_part_t& part = dlog.parts[q];
      part.f = pp.f;
      part.e = pp.e;
      part.fe = pp.fe;
      part.g = ctx.logs[pp.g];
      part.gamma = ctx.logs[pp.gamma];
      part.m = pp.m;
      part.giant = pp.m != 0 ? ctx.logs[pp.giant] : 0;
    }
    dlog_prepare(dlog);
    sph_idea(st, dlog, ctx.logs, plan.first_part, plan.cs, ctx);
  }
  queue_class_powers(plan.cs, st, ctx.walks, ctx.classes);
}

}  // namespace

void search_block(prime_block_t& block, search_context_t& ctx) {
  auto& screen_t = ctx.screen_t;
  auto& screen_byte = ctx.screen_byte;
  auto& plans = ctx.plans;
  power_batch_t& first = ctx.first;
  power_batch_t& second = ctx.second;
  // The Jacobi bitmaps of large k together exceed the caches: their bytes
  // for the whole block are read in one loop without branches on them, so
  // that the misses overlap instead of following one another.
  for (std::uint32_t j = 0; j < block.count; ++j)
    for (std::uint32_t i = 0; i < num_k; ++i) screen_t[j][i] = residue_screen_t(block.jobs[j].p, i);
  for (std::uint32_t j = 0; j < block.count; ++j)
    for (std::uint32_t i = 0; i < num_k; ++i)
      screen_byte[j][i] = residue_screen_byte(i, screen_t[j][i]);
  order_2_bound_block(block, ctx);
  first.clear();
  ctx.passers.clear();
  for (std::uint32_t j = 0; j < block.count; ++j)
    queue_filters(ctx, block.jobs[j], plans[j], screen_t[j].data(), screen_byte[j].data());
  first.run();
  // The short exponents a mod gk after all the longer D/gk, so that the
  // lockstep groups hold exponents of one length.
  second.clear();
  for (std::uint32_t j = 0; j < block.count; ++j) {
    const job_plan_t& plan = plans[j];
    for (std::uint32_t q = 0; q < plan.npassers; ++q) {
      passer_t& ps = ctx.passers[plan.first_passer + q];
      ps.test = second.add(block.jobs[j], first[ps.y], ps.d_over_gk);
    }
  }
  for (std::uint32_t j = 0; j < block.count; ++j) {
    const job_plan_t& plan = plans[j];
    for (std::uint32_t q = 0; q < plan.npassers; ++q) {
      passer_t& ps = ctx.passers[plan.first_passer + q];
      // gk divides akpower, a 32-bit period.
      ps.two_ae = second.add(block.jobs[j], first[ps.two_gk],
                             akequiv[ps.kindex] % static_cast<std::uint32_t>(ps.gk));
    }
  }
  second.run();
  ctx.logs.clear();
  for (std::uint32_t j = 0; j < block.count; ++j) decide_filters(ctx, block.jobs[j], plans[j]);
  ctx.logs.run();
  ctx.walks.clear();
  for (std::uint32_t j = 0; j < block.count; ++j) plan_search(ctx, block.jobs[j], plans[j]);
  ctx.walks.run();
  for (std::uint32_t j = 0; j < block.count; ++j) {
    prime_state_t& st = block.jobs[j];
    if (plans[j].cs.empty()) continue;
    run_class_search(plans[j].cs, st, ctx.walks, ctx.classes);
  }
}

}  // namespace quorvel
