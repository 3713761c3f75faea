// The batch kernels, per element, for every version this processor runs
// (first argument 0: portable, 1: AVX2) and every kernel family (second
// argument: the prime, 0 the largest below 2^50, 1 the first above 2^52,
// 2 the first above 2^61). Powers use 50-bit exponents; the geometric
// sequence fills 4096 terms. The powers the search queues (powmod_lanes) run
// under 16 primes near 10^12, 2^52 or 2^61 taken in turn, with 40-bit
// exponents. The kernels of the k-range and near-Mersenne modes run over
// 4096 primes from 10^12 (second argument 0): 2^-e for e = 100000 (k-range
// twin) and 1000 (the k-range workload's nlow; third argument), the scan of
// 100 halvings within 100001 of 0 (time per prime), and the keys of 2^a for
// a <= 2000 (per prime).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "arith/batch.hpp"
#include "arith/mulmod.hpp"
#include "bench_support.hpp"

namespace quorvel {
namespace {

using bench::bench_p;
using bench::exponents50;
using bench::random_below;

/// Forces the version named by the benchmark argument; false (and the
/// benchmark skipped) when this processor cannot run it.
bool use_variant(benchmark::State& state) {
  const arith_variant v = state.range(0) == 0 ? arith_variant::scalar : arith_variant::avx2;
  if (!set_arith_variant(v)) {
    state.SkipWithError("version not supported by this processor");
    return false;
  }
  static const char* const at[] = {" p<2^50", " p>2^52", " p>2^61"};
  state.SetLabel(std::string(arith_variant_name()) + at[state.range(1)]);
  return true;
}

/// The prime of the benchmark's second argument.
std::uint64_t family_prime(const benchmark::State& state) {
  static const std::uint64_t primes[] = {bench_p, 4503599627370517ULL, 2305843009213693967ULL};
  return primes[state.range(1)];
}

/// Both versions at each of the three primes.
void versions_and_primes(benchmark::internal::Benchmark* b) {
  for (int v = 0; v < 2; ++v)
    for (int p = 0; p < 3; ++p) b->Args({v, p});
}

void per_element(benchmark::State& state, std::size_t n) {
  bench::time_per_op(state, "per_elem", static_cast<double>(n));
}

void BM_PowmodMany(benchmark::State& state) {
  if (!use_variant(state)) return;
  const std::size_t n = 1024;
  const std::uint64_t p = family_prime(state);
  const auto bases = random_below(p, n, 1);
  const auto exps = exponents50(n, 2);
  std::vector<std::uint64_t> out(n);
  const arith_state_t arith = prime_modulus(p);
  for (auto _ : state) {
    powmod_many(arith, bases.data(), exps.data(), out.data(), n);
    benchmark::DoNotOptimize(out.data());
  }
  per_element(state, n);
}
BENCHMARK(BM_PowmodMany)->Apply(versions_and_primes);

void BM_PowmodLanes(benchmark::State& state) {
  if (!use_variant(state)) return;
  const std::size_t n = 1024;
  // Sixteen primes just above 10^12, 2^52 or 2^61 (each checked by Fermat
  // to base 2 and 3).
  static const std::uint64_t from[] = {1000000000039, 4503599627370517ULL, 2305843009213693967ULL};
  std::vector<arith_state_t> states;
  for (std::uint64_t p = from[state.range(1)]; states.size() < 16; p += 2) {
    const arith_state_t arith = prime_modulus(p);
    if (powmod_sse2(arith, 2, p - 1) == 1 && powmod_sse2(arith, 3, p - 1) == 1)
      states.push_back(arith);
  }
  std::vector<const arith_state_t*> mods(n);
  for (std::size_t i = 0; i < n; ++i) mods[i] = &states[i % states.size()];
  auto bases = random_below(1000000000000, n, 3);
  auto exps = exponents50(n, 4);
  for (auto& e : exps) e >>= 10;
  std::vector<std::uint64_t> out(n);
  for (auto _ : state) {
    powmod_lanes(bases.data(), exps.data(), mods.data(), out.data(), n);
    benchmark::DoNotOptimize(out.data());
  }
  per_element(state, n);
}
BENCHMARK(BM_PowmodLanes)->Apply(versions_and_primes);

void BM_Pow2modMany(benchmark::State& state) {
  if (!use_variant(state)) return;
  const std::size_t n = 1024;
  const auto exps = exponents50(n, 3);
  std::vector<std::uint64_t> out(n);
  const arith_state_t arith = prime_modulus(family_prime(state));
  for (auto _ : state) {
    pow2mod_many(arith, exps.data(), out.data(), n);
    benchmark::DoNotOptimize(out.data());
  }
  per_element(state, n);
}
BENCHMARK(BM_Pow2modMany)->Apply(versions_and_primes);

void BM_GeometricModP(benchmark::State& state) {
  if (!use_variant(state)) return;
  const std::size_t n = 4096;
  std::vector<std::uint64_t> out(n);
  const std::uint64_t p = family_prime(state);
  const std::uint64_t start = 123456789012345 % p, ratio = 987654321098765 % p;
  const arith_state_t arith = prime_modulus(p);
  for (auto _ : state) {
    geometric_mod_p(arith, start, ratio, n, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  per_element(state, n);
}
BENCHMARK(BM_GeometricModP)->Apply(versions_and_primes);

/// The 4096 primes from 10^12 the k-range and near-Mersenne kernels run on.
const std::vector<std::uint64_t>& mode_primes() {
  static const std::vector<std::uint64_t> primes = [] {
    auto all = bench::primes_from(1000000000000ULL, 200000);
    all.resize(4096);
    return all;
  }();
  return primes;
}

void BM_InversePow2Lanes(benchmark::State& state) {
  if (!use_variant(state)) return;
  const auto& primes = mode_primes();
  const auto e = static_cast<std::uint64_t>(state.range(2));
  std::vector<std::uint64_t> out(primes.size());
  for (auto _ : state) {
    inverse_pow2_lanes(primes.data(), e, out.data(), primes.size());
    benchmark::DoNotOptimize(out.data());
  }
  per_element(state, primes.size());
}
BENCHMARK(BM_InversePow2Lanes)
    ->Args({0, 0, 100000})
    ->Args({1, 0, 100000})
    ->Args({0, 0, 1000})
    ->Args({1, 0, 1000});

void BM_HalvingNearZeroLanes(benchmark::State& state) {
  if (!use_variant(state)) return;
  const auto& primes = mode_primes();
  std::vector<std::uint64_t> starts(primes.size());
  inverse_pow2_lanes(primes.data(), 1000, starts.data(), primes.size());
  std::vector<std::uint8_t> flags(primes.size());
  for (auto _ : state) {
    halving_near_zero_lanes(primes.data(), starts.data(), primes.size(), 100, 100001,
                            flags.data());
    benchmark::DoNotOptimize(flags.data());
  }
  per_element(state, primes.size());
}
BENCHMARK(BM_HalvingNearZeroLanes)->Args({0, 0})->Args({1, 0});

void BM_Pow2Keys4Lanes(benchmark::State& state) {
  if (!use_variant(state)) return;
  const auto& primes = mode_primes();
  const std::uint32_t length = 2000;
  const std::size_t stride = (std::size_t{length} | 3) + 1;
  std::vector<std::uint32_t> keys(4 * stride), keys_plus(4 * stride);
  std::uint32_t orders[4];
  std::size_t at = 0;
  for (auto _ : state) {
    pow2_keys_4lanes(primes.data() + at, length, stride, keys.data(), keys_plus.data(), orders);
    benchmark::DoNotOptimize(keys.data());
    at = (at + 4) % primes.size();
  }
  per_element(state, 4);
}
BENCHMARK(BM_Pow2Keys4Lanes)->Args({0, 0})->Args({1, 0});

}  // namespace
}  // namespace quorvel
