// Per-prime cost of the k-range modes and the cost of their files.
//
//  * KrangeDoP/large: primes near 10^12 (every prime above khigh), k below
//    10^6, n = 1..N: the exponent loop dominates. KrangeDoPPowerPerN runs the
//    same work with one modular power per exponent, the obvious way, for
//    comparison.
//  * KrangeDoPSmall: every prime below 10^5 against k below 10^6, n = 1..100
//    (bitmap walks); time per pass over all of them.
//  * KrangetwinDoP: one power per prime.
//  * KrangeSearchBlock/twin: the block search over 4096 primes near 10^12,
//    in twin mode (n = 100000, k < 2*10^6) and in k-range mode (n =
//    1000..1099, k < 10^5, both sides), with each prime then applied
//    (krange_apply_prime) as the driver runs them; time per prime.
//  * KrangeWriteRead: writing and reading back a file of 10^6 k.
// Times are per prime (per file for the last one).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "arith/mulmod.hpp"
#include "bench_support.hpp"
#include "krange/krange.hpp"
#include "krange/krange_search.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

using bench::primes_from;
using bench::Quiet;

/// Sets up both k-range modes from scratch (every k a candidate).
void set_up(std::uint32_t klow, std::uint32_t khigh, std::uint32_t nlow, std::uint32_t nhigh) {
  krange_klow = klow;
  krange_khigh = khigh;
  krange_nlow = nlow;
  krange_nhigh = nhigh;
  Quiet quiet;
  krangetwin_initialize("/nonexistent/twin");
  krange_initialize("/nonexistent/plus", "/nonexistent/minus");
}

/// Items are primes; "ns_per_n" is the time per prime and exponent.
void per_prime_counters(benchmark::State& state, std::uint32_t nrange) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  bench::time_per_op(state, "ns_per_n", nrange);
}

void KrangeDoPLarge(benchmark::State& state) {
  const auto nrange = static_cast<std::uint32_t>(state.range(0));
  set_up(1, 1000000, 1, nrange);
  const auto primes = primes_from(1000000000000ULL, 200000);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::uint64_t p = primes[i];
    const arith_state_t arith = prime_modulus(p);
    krange_do_p(p, arith);
    if (++i == primes.size()) i = 0;
  }
  per_prime_counters(state, nrange);
}
BENCHMARK(KrangeDoPLarge)->Arg(100)->Arg(1000);

void KrangeDoPPowerPerN(benchmark::State& state) {
  const auto nrange = static_cast<std::uint32_t>(state.range(0));
  set_up(1, 1000000, 1, nrange);
  const auto primes = primes_from(1000000000000ULL, 200000);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::uint64_t p = primes[i];
    const arith_state_t arith = prime_modulus(p);
    const std::uint64_t h = (p + 1) / 2;
    for (std::uint32_t n = 1; n <= nrange; ++n) {
      const std::uint64_t r = powmod_sse2(arith, h, n);
      krange_do_p_sign(p, r, krange_bitmapminus, n, -1);
      krange_do_p_sign(p, p - r, krange_bitmapplus, n, +1);
    }
    if (++i == primes.size()) i = 0;
  }
  per_prime_counters(state, nrange);
}
BENCHMARK(KrangeDoPPowerPerN)->Arg(100)->Arg(1000);

void KrangeDoPSmall(benchmark::State& state) {
  set_up(1, 1000000, 1, 100);
  const auto primes = primes_from(3, 100000);
  for (auto _ : state) {
    for (std::uint64_t p : primes) {
      const arith_state_t arith = prime_modulus(p);
      krange_do_p(p, arith);
    }
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * primes.size()));
}
BENCHMARK(KrangeDoPSmall)->Unit(benchmark::kMillisecond);

void KrangetwinDoP(benchmark::State& state) {
  set_up(1, 1000000, 1000000, 1000000);
  const auto primes = primes_from(1000000000000ULL, 200000);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::uint64_t p = primes[i];
    const arith_state_t arith = prime_modulus(p);
    krangetwin_do_p(p, arith);
    if (++i == primes.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(KrangetwinDoP);

void KrangeSearchBlock(benchmark::State& state) {
  const bool twin = state.range(0) != 0;
  if (twin) {
    set_up(1, 2000001, 100000, 100000);
  } else {
    set_up(1, 100001, 1000, 1099);
  }
  const krange_settings_t settings = krange_current_settings(twin);
  const krange_bitmaps_t bitmaps = krange_current_bitmaps(twin);
  auto primes = primes_from(1000000000000ULL, 200000);
  primes.resize(4096);
  krange_work_t work;
  krange_hits_t hits;
  Quiet quiet;
  for (auto _ : state) {
    krange_search_block(settings, primes, work, hits);
    for (std::size_t j = 0; j < primes.size(); ++j)
      krange_apply_prime(settings, hits, j, bitmaps);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * primes.size()));
  bench::time_per_op(state, "per_prime", static_cast<double>(primes.size()));
}
BENCHMARK(KrangeSearchBlock)->ArgName("twin")->Arg(1)->Arg(0);

void KrangeWriteRead(benchmark::State& state) {
  set_up(1, 2000000, 100, 100);  // 10^6 odd k, all candidates
  const std::string file = "/tmp/quorvel-krange-bench-" + std::to_string(::getpid()) + ".txt";
  Quiet quiet;
  for (auto _ : state) {
    krange_writefile(file, 1000000000000ULL, krange_bitmapminus, krange_form::minus);
    krange_readdat(file, krange_bitmapplus);
  }
  std::remove(file.c_str());
}
BENCHMARK(KrangeWriteRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
