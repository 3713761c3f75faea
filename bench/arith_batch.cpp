// The batch kernels at the largest prime below 2^50, per element, for every
// version this processor runs (argument 0: portable, 1: AVX2). Powers use
// 50-bit exponents; the geometric sequence fills 4096 terms. The powers the
// search queues (powmod_lanes) run under 16 primes near 10^12 taken in turn,
// with 40-bit exponents.
#include <benchmark/benchmark.h>

#include <cstdint>
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
  state.SetLabel(arith_variant_name());
  return true;
}

void per_element(benchmark::State& state, std::size_t n) {
  bench::time_per_op(state, "per_elem", static_cast<double>(n));
}

void BM_PowmodMany(benchmark::State& state) {
  if (!use_variant(state)) return;
  const std::size_t n = 1024;
  const auto bases = random_below(bench_p, n, 1);
  const auto exps = exponents50(n, 2);
  std::vector<std::uint64_t> out(n);
  const arith_state_t arith = prime_modulus(bench_p);
  for (auto _ : state) {
    powmod_many(arith, bases.data(), exps.data(), out.data(), n);
    benchmark::DoNotOptimize(out.data());
  }
  per_element(state, n);
}
BENCHMARK(BM_PowmodMany)->Arg(0)->Arg(1);

void BM_PowmodLanes(benchmark::State& state) {
  if (!use_variant(state)) return;
  const std::size_t n = 1024;
  // Sixteen primes just above 10^12 (each checked by Fermat to base 2 and 3).
  std::vector<arith_state_t> states;
  for (std::uint64_t p = 1000000000039; states.size() < 16; p += 2) {
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
BENCHMARK(BM_PowmodLanes)->Arg(0)->Arg(1);

void BM_Pow2modMany(benchmark::State& state) {
  if (!use_variant(state)) return;
  const std::size_t n = 1024;
  const auto exps = exponents50(n, 3);
  std::vector<std::uint64_t> out(n);
  const arith_state_t arith = prime_modulus(bench_p);
  for (auto _ : state) {
    pow2mod_many(arith, exps.data(), out.data(), n);
    benchmark::DoNotOptimize(out.data());
  }
  per_element(state, n);
}
BENCHMARK(BM_Pow2modMany)->Arg(0)->Arg(1);

void BM_GeometricModP(benchmark::State& state) {
  if (!use_variant(state)) return;
  const std::size_t n = 4096;
  std::vector<std::uint64_t> out(n);
  const std::uint64_t start = 123456789012345 % bench_p, ratio = 987654321098765 % bench_p;
  const arith_state_t arith = prime_modulus(bench_p);
  for (auto _ : state) {
    geometric_mod_p(arith, start, ratio, n, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  per_element(state, n);
}
BENCHMARK(BM_GeometricModP)->Arg(0)->Arg(1);

}  // namespace
}  // namespace quorvel
