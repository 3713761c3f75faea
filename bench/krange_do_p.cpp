// Per-prime cost of the k-range modes and the cost of their files.
//
//  * KrangeDoP/large: primes near 10^12 (every prime above khigh), k below
//    10^6, n = 1..N: the exponent loop dominates. KrangeDoPPowerPerN runs the
//    same work with one modular power per exponent, the obvious way, for
//    comparison.
//  * KrangeDoPSmall: every prime below 10^5 against k below 10^6, n = 1..100
//    (bitmap walks); time per pass over all of them.
//  * KrangetwinDoP: one power per prime.
//  * KrangeWriteRead: writing and reading back a file of 10^6 k.
// Times are per prime (per file for the last one).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "arith/mulmod.hpp"
#include "krange/krange.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

/// Primes in [lo, lo + span) by a plain sieve with trial-division base primes.
std::vector<std::uint64_t> primes_from(std::uint64_t lo, std::uint64_t span) {
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

/// Sends standard output to /dev/null while it lives (the set-up and file
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

void KrangeDoPLarge(benchmark::State& state) {
  const auto nrange = static_cast<std::uint32_t>(state.range(0));
  set_up(1, 1000000, 1, nrange);
  const auto primes = primes_from(1000000000000ULL, 200000);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::uint64_t p = primes[i];
    set_prime_modulus(p);
    krange_do_p(p);
    if (++i == primes.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["ns_per_n"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * nrange,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(KrangeDoPLarge)->Arg(100)->Arg(1000);

void KrangeDoPPowerPerN(benchmark::State& state) {
  const auto nrange = static_cast<std::uint32_t>(state.range(0));
  set_up(1, 1000000, 1, nrange);
  const auto primes = primes_from(1000000000000ULL, 200000);
  std::size_t i = 0;
  for (auto _ : state) {
    const std::uint64_t p = primes[i];
    set_prime_modulus(p);
    const std::uint64_t h = (p + 1) / 2;
    for (std::uint32_t n = 1; n <= nrange; ++n) {
      const std::uint64_t r = powmod_sse2(h, n);
      krange_do_p_sign(p, r, krange_bitmapminus, n, -1);
      krange_do_p_sign(p, p - r, krange_bitmapplus, n, +1);
    }
    if (++i == primes.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  state.counters["ns_per_n"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * nrange,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(KrangeDoPPowerPerN)->Arg(100)->Arg(1000);

void KrangeDoPSmall(benchmark::State& state) {
  set_up(1, 1000000, 1, 100);
  const auto primes = primes_from(3, 100000);
  for (auto _ : state) {
    for (std::uint64_t p : primes) {
      set_prime_modulus(p);
      krange_do_p(p);
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
    set_prime_modulus(p);
    krangetwin_do_p(p);
    if (++i == primes.size()) i = 0;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(KrangetwinDoP);

void KrangeWriteRead(benchmark::State& state) {
  set_up(1, 2000000, 100, 100);  // 10^6 odd k, all candidates
  const std::string file = "/tmp/quorvel-krange-bench-" + std::to_string(::getpid()) + ".txt";
  Quiet quiet;
  for (auto _ : state) {
    krange_writefile(file, 1000000000000ULL, krange_bitmapminus);
    krange_readdat(file, krange_bitmapplus);
  }
  std::remove(file.c_str());
}
BENCHMARK(KrangeWriteRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
