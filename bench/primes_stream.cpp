// Throughput of the prime stream: every prime of [10^12, 10^12 + 10^8]
// taken from next_sieved_p, for both window sizes, without the p-1 record
// (the k-range modes), with it (Proth mode), and with it while reading each
// prime's list as the order-of-2 path does. One iteration is one range of
// 10^8 (ten times the time per iteration is the time per 10^9 of p);
// p_range_per_s is the width of p covered per CPU second.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "primes/prime_stream.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

constexpr std::uint64_t range_low = 1000000000000;
constexpr std::uint64_t range_width = 100000000;

void BM_PrimeStream(benchmark::State& state) {
  static const bool base_built = [] {
    eratosthenes_base(base_prime_bound);
    return true;
  }();
  benchmark::DoNotOptimize(base_built);
  set_sieve_window_size(1u << state.range(0));
  const int variant = static_cast<int>(state.range(1));  // 0 plain, 1 record, 2 record read
  const int saved_mode = mode;
  mode = variant == 0 ? mode_krange : mode_proth;
  std::uint64_t primes = 0;
  for (auto _ : state) {
    start_prime_stream(range_low);
    std::uint64_t sum = 0;
    std::uint64_t p = next_sieved_p();
    while (p <= range_low + range_width) {
      ++primes;
      if (variant == 2) sum += pminus1_factors(sievewindowindex).size();
      p = next_sieved_p();
    }
    benchmark::DoNotOptimize(sum);
  }
  mode = saved_mode;
  state.counters["primes"] =
      benchmark::Counter(static_cast<double>(primes), benchmark::Counter::kAvgIterations);
  state.counters["p_range_per_s"] = benchmark::Counter(
      static_cast<double>(range_width), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PrimeStream)
    ->ArgNames({"log2W", "record"})
    ->Args({19, 0})
    ->Args({22, 0})
    ->Args({19, 1})
    ->Args({22, 1})
    ->Args({19, 2})
    ->Args({22, 2})
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
