// Scalar modular kernels at the largest prime below 2^50: dependent chains
// (latency) and independent chains (throughput) of the products, powers with
// 50-bit exponents, and the per-prime set-up. A plain 128-bit '%' chain runs
// alongside as the yardstick of the machine. The "per_op" counter is the
// time of one operation.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "arith/mulmod.hpp"
#include "bench_support.hpp"

namespace quorvel {
namespace {

using bench::bench_p;

constexpr std::size_t batch = 1024;

std::vector<std::uint64_t> random_below(std::uint64_t bound, std::uint64_t seed) {
  return bench::random_below(bound, batch, seed);
}

void per_op(benchmark::State& state, std::size_t ops_per_iteration) {
  bench::time_per_op(state, "per_op", static_cast<double>(ops_per_iteration));
}

void BM_Int128ModChain(benchmark::State& state) {
  const auto v = random_below(bench_p, 1);
  std::uint64_t x = v[0];
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; ++i)
      x = static_cast<std::uint64_t>(static_cast<unsigned __int128>(x) * v[i] % bench_p);
    benchmark::DoNotOptimize(x);
  }
  per_op(state, batch);
}
BENCHMARK(BM_Int128ModChain);

void BM_MulModPChain(benchmark::State& state) {
  const arith_state_t arith = prime_modulus(bench_p);
  const auto v = random_below(bench_p, 1);
  std::uint64_t x = v[0];
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; ++i) x = mul_mod_p(arith, x, v[i]);
    benchmark::DoNotOptimize(x);
  }
  per_op(state, batch);
}
BENCHMARK(BM_MulModPChain);

void BM_MulModPSquareChain(benchmark::State& state) {
  const arith_state_t arith = prime_modulus(bench_p);
  std::uint64_t x = 123456789;
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; ++i) x = mul_mod_p(arith, x, x);
    benchmark::DoNotOptimize(x);
  }
  per_op(state, batch);
}
BENCHMARK(BM_MulModPSquareChain);

void BM_MulModP8Chains(benchmark::State& state) {
  const arith_state_t arith = prime_modulus(bench_p);
  const auto v = random_below(bench_p, 1);
  std::uint64_t x[8];
  for (int j = 0; j < 8; ++j) x[j] = v[j];
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; i += 8)
      for (std::size_t j = 0; j < 8; ++j) x[j] = mul_mod_p(arith, x[j], v[i + j]);
    benchmark::DoNotOptimize(x);
  }
  per_op(state, batch);
}
BENCHMARK(BM_MulModP8Chains);

void BM_MulModPBChain(benchmark::State& state) {
  const arith_state_t arith = prime_modulus(bench_p);
  const std::uint64_t b = 987654321012345 % bench_p;
  const bdivp_t bq = bdiv_p(arith, b);
  std::uint64_t x = 5;
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; ++i) x = mul_mod_p_b(arith, x, b, bq);
    benchmark::DoNotOptimize(x);
  }
  per_op(state, batch);
}
BENCHMARK(BM_MulModPBChain);

void BM_MulModPB8Chains(benchmark::State& state) {
  const arith_state_t arith = prime_modulus(bench_p);
  const std::uint64_t b = 987654321012345 % bench_p;
  const bdivp_t bq = bdiv_p(arith, b);
  std::uint64_t x[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; i += 8)
      for (std::size_t j = 0; j < 8; ++j) x[j] = mul_mod_p_b(arith, x[j], b, bq);
    benchmark::DoNotOptimize(x);
  }
  per_op(state, batch);
}
BENCHMARK(BM_MulModPB8Chains);

/// 50-bit exponents (top bit set).
std::vector<std::uint64_t> exponents50(std::uint64_t seed) {
  return bench::exponents50(batch, seed);
}

// Each power's exponent depends on the previous result, so calls do not
// overlap: the time is the latency of one call.
void BM_Pow2Mod50(benchmark::State& state) {
  const arith_state_t arith = prime_modulus(bench_p);
  const auto e = exponents50(2);
  std::uint64_t x = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; ++i) x = pow2mod(arith, e[i] ^ (x & 1));
    benchmark::DoNotOptimize(x);
  }
  per_op(state, batch);
}
BENCHMARK(BM_Pow2Mod50);

void BM_PowmodSse2_50(benchmark::State& state) {
  const arith_state_t arith = prime_modulus(bench_p);
  const auto e = exponents50(3);
  const auto b = random_below(bench_p, 4);
  std::uint64_t x = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; ++i) x = powmod_sse2(arith, b[i], e[i] ^ (x & 1));
    benchmark::DoNotOptimize(x);
  }
  per_op(state, batch);
}
BENCHMARK(BM_PowmodSse2_50);

void BM_SetPrimeModulus(benchmark::State& state) {
  const auto v = random_below(std::uint64_t{1} << 48, 5);
  arith_state_t arith;
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; ++i)
      set_prime_modulus(arith, (std::uint64_t{1} << 49) + (v[i] | 1));
    benchmark::DoNotOptimize(arith.mont_r2);
  }
  per_op(state, batch);
}
BENCHMARK(BM_SetPrimeModulus);

void BM_BdivP(benchmark::State& state) {
  const arith_state_t arith = prime_modulus(bench_p);
  const auto v = random_below(bench_p, 6);
  std::uint64_t acc = 0;
  for (auto _ : state) {
    for (std::size_t i = 0; i < batch; ++i) acc += bdiv_p(arith, v[i]).quot;
    benchmark::DoNotOptimize(acc);
  }
  per_op(state, batch);
}
BENCHMARK(BM_BdivP);

}  // namespace
}  // namespace quorvel
