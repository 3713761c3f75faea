// Helpers the benchmark programs share: the modulus the kernel benchmarks
// run at, seeded random operands, a plain list of primes to feed the
// per-prime routines, a guard that silences standard output, and the
// "time per operation" counter.
#pragma once

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace quorvel::bench {

/// The largest prime below 2^50.
inline constexpr std::uint64_t bench_p = 1125899906842597ULL;

/// n numbers below bound from a fixed seed.
inline std::vector<std::uint64_t> random_below(std::uint64_t bound, std::size_t n,
                                               std::uint64_t seed) {
  std::mt19937_64 rng(seed);
  std::vector<std::uint64_t> v(n);
  for (auto& x : v) x = rng() % bound;
  return v;
}

/// n exponents of exactly 50 bits (top bit set) from a fixed seed.
inline std::vector<std::uint64_t> exponents50(std::size_t n, std::uint64_t seed) {
  auto v = random_below(std::uint64_t{1} << 49, n, seed);
  for (auto& e : v) e |= std::uint64_t{1} << 49;
  return v;
}

/// Primes in [lo, lo + span) by a plain sieve with trial-division base primes.
inline std::vector<std::uint64_t> primes_from(std::uint64_t lo, std::uint64_t span) {
  std::vector<std::uint64_t> base;
  for (std::uint64_t d = 2; d * d < lo + span; ++d) {
    bool prime = true;
    for (std::uint64_t q : base) {
      if (q * q > d) break;
      if (d % q == 0) {
        prime = false;
        break;
      }
    }
    if (prime) base.push_back(d);
  }
  std::vector<bool> composite(span, false);
  for (std::uint64_t q : base) {
    std::uint64_t start = (lo + q - 1) / q * q;
    if (start < q * q) start = q * q;
    for (std::uint64_t m = start; m < lo + span; m += q) composite[m - lo] = true;
  }
  std::vector<std::uint64_t> out;
  for (std::uint64_t i = 0; i < span; ++i)
    if (!composite[i] && lo + i >= 3) out.push_back(lo + i);
  return out;
}

/// Sends standard output to /dev/null while it lives (set-up and file
/// routines print their progress texts).
class Quiet {
 public:
  Quiet() : saved_(::dup(1)) {
    std::fflush(stdout);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::close(null);
  }
  ~Quiet() {
    std::fflush(stdout);
    ::dup2(saved_, 1);
    ::close(saved_);
  }
  Quiet(const Quiet&) = delete;
  Quiet& operator=(const Quiet&) = delete;

 private:
  int saved_;
};

/// Counter `name`: the time of one of the `ops_per_iteration` operations
/// that each iteration runs.
inline void time_per_op(benchmark::State& state, const char* name, double ops_per_iteration) {
  state.counters[name] =
      benchmark::Counter(ops_per_iteration, benchmark::Counter::kIsIterationInvariantRate |
                                                benchmark::Counter::kInvert);
}

}  // namespace quorvel::bench
