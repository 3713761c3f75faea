// Per-prime cost of the near-Mersenne mode and the cost of its file.
//
//  * NmDoP/A/alow: nm_do_p for primes near 10^12 with rows alow..A (A =
//    nm_ahigh), all pairs candidates; time per prime and per exponent.
//  * NmDoPPlainTable/A: the same walk with a plain table for comparison:
//    2^(h+4) slots of an 8-byte key and a 16-bit exponent, the exponents
//    cleared for every prime, a lookup before every store.
//  * NmDoPSmallPrimes: every prime below 10^5 with rows 1..500 (many
//    eliminations, short orders); time per pass over all of them.
//  * NmSearchBlock/A/alow: the block search (nm_search_block) over blocks of
//    256 primes near 10^12 with rows alow..A, and NmSearchApply the same with
//    each prime then applied, as the driver runs them; time per prime.
//  * NmWriteRead: writing and reading back the file of rows 1..2000 from
//    scratch (about 2 * 10^6 candidates).
// The routine prints a progress line every tenth prime; standard output goes
// to /dev/null while a benchmark runs, so that cost is included.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_support.hpp"
#include "nearmersenne/nearmersenne.hpp"
#include "nearmersenne/nm_search.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

using bench::primes_from;
using bench::Quiet;

/// Rows alow..ahigh from scratch (every pair a candidate).
void set_up(std::uint32_t alow, std::uint32_t ahigh) {
  nm_alow = alow;
  nm_ahigh = ahigh;
  nm_abcfile = "/nonexistent/abc.txt";
  Quiet quiet;
  nm_initialize();
}

void per_prime_counters(benchmark::State& state, std::uint32_t ahigh) {
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
  bench::time_per_op(state, "ns_per_a", ahigh);
}

void NmDoP(benchmark::State& state) {
  const auto ahigh = static_cast<std::uint32_t>(state.range(0));
  set_up(state.range(1), ahigh);
  const auto primes = primes_from(1000000000000ULL, 200000);
  std::size_t i = 0;
  Quiet quiet;
  for (auto _ : state) {
    nm_do_p(primes[i]);
    if (++i == primes.size()) i = 0;
  }
  per_prime_counters(state, ahigh);
}
BENCHMARK(NmDoP)->Args({500, 1})->Args({2000, 1000})->Args({5000, 1});

/// The walk of nm_do_p over a plain table (see the top of the file).
struct plain_table {
  std::uint32_t bits;
  std::vector<std::uint64_t> keys;
  std::vector<std::uint16_t> exps;
  explicit plain_table(std::uint32_t ahigh) {
    std::uint32_t h = 1;
    while ((std::uint64_t{1} << h) < ahigh) ++h;
    bits = h + 4;
    keys.assign(std::size_t{1} << bits, 0);
    exps.assign(std::size_t{1} << bits, 0);
  }
  std::uint32_t lookup(std::uint64_t key) const {
    const std::uint32_t mask = (1u << bits) - 1;
    for (std::uint32_t s = static_cast<std::uint32_t>(key) & mask;; s = (s + 1) & mask) {
      if (exps[s] == 0) return 0;
      if (keys[s] == key) return exps[s];
    }
  }
  void store(std::uint64_t key, std::uint32_t e) {
    const std::uint32_t mask = (1u << bits) - 1;
    std::uint32_t s = static_cast<std::uint32_t>(key) & mask;
    while (exps[s] != 0) s = (s + 1) & mask;
    keys[s] = key;
    exps[s] = static_cast<std::uint16_t>(e);
  }
  void walk(std::uint64_t p, std::uint32_t alow, std::uint32_t ahigh, std::uint8_t* bitmap,
            std::uint64_t& left) {
    std::memset(exps.data(), 0, exps.size() * sizeof exps[0]);
    const std::uint64_t row_bits = 8 * ((static_cast<std::uint64_t>(ahigh) + 6) >> 3);
    std::uint32_t first = static_cast<std::uint32_t>(std::bit_width(p)) + 2;
    if (first > 51) first = 51;
    if (first < alow) first = alow;
    std::uint64_t f = 1;
    std::uint32_t ord = 0;
    for (std::uint32_t a = 1; a <= ahigh; ++a) {
      f += f;
      f -= f >= p ? p : 0;
      if (ord == 0 && f == 1) ord = a;
      if (a >= first) {
        const std::uint32_t b0 = lookup(f + 1);
        if (b0 != 0) {
          const std::uint64_t row = (a - alow) * row_bits;
          for (std::uint32_t b = b0; b < a; b += ord != 0 ? ord : a) {
            const std::uint64_t j = row + b - 1;
            const auto m = static_cast<std::uint8_t>(1u << (j & 7));
            left -= (bitmap[j >> 3] & m) == 0 ? 1 : 0;
            bitmap[j >> 3] |= m;
          }
        }
      }
      if (lookup(f) == 0) store(f, a);
    }
  }
};

void NmDoPPlainTable(benchmark::State& state) {
  const auto ahigh = static_cast<std::uint32_t>(state.range(0));
  set_up(1, ahigh);
  const auto primes = primes_from(1000000000000ULL, 200000);
  plain_table t(ahigh);
  std::size_t i = 0;
  for (auto _ : state) {
    t.walk(primes[i], 1, ahigh, nm_bitmap.data(), nm_candidates);
    if (++i == primes.size()) i = 0;
  }
  per_prime_counters(state, ahigh);
}
BENCHMARK(NmDoPPlainTable)->Arg(500)->Arg(5000);

void NmDoPSmallPrimes(benchmark::State& state) {
  const auto primes = primes_from(3, 100000);
  Quiet quiet;
  for (auto _ : state) {
    state.PauseTiming();
    set_up(1, 500);
    state.ResumeTiming();
    for (std::uint64_t p : primes) nm_do_p(p);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * primes.size()));
}
BENCHMARK(NmDoPSmallPrimes)->Unit(benchmark::kMillisecond);

/// Blocks of 256 primes near 10^12, searched (and applied when `apply`).
void search_blocks(benchmark::State& state, bool apply) {
  const auto ahigh = static_cast<std::uint32_t>(state.range(0));
  const auto alow = static_cast<std::uint32_t>(state.range(1));
  set_up(alow, ahigh);
  const nm_settings_t settings = nm_current_settings();
  const auto primes = primes_from(1000000000000ULL, 200000);
  constexpr std::size_t block = 256;
  nm_work_t work;
  nm_hits_t hits;
  nm_progress_t progress;
  std::size_t at = 0, searched = 0;
  Quiet quiet;
  for (auto _ : state) {
    if (at + block > primes.size()) at = 0;
    nm_search_block(settings, std::span(primes).subspan(at, block), work, hits);
    if (apply) {
      for (std::size_t j = 0; j < block; ++j)
        nm_apply_prime(settings, hits, j, progress, nm_bitmap, nm_candidates);
    }
    at += block;
    searched += block;
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(searched));
  bench::time_per_op(state, "ns_per_prime", block);
}

void NmSearchBlock(benchmark::State& state) { search_blocks(state, false); }
BENCHMARK(NmSearchBlock)->Args({500, 1})->Args({2000, 1000})->Args({5000, 1});

void NmSearchApply(benchmark::State& state) { search_blocks(state, true); }
BENCHMARK(NmSearchApply)->Args({2000, 1000});

void NmWriteRead(benchmark::State& state) {
  set_up(1, 2000);
  const std::string file = "/tmp/quorvel-nm-bench-" + std::to_string(::getpid()) + ".txt";
  Quiet quiet;
  for (auto _ : state) {
    nm_writefile(file, 1000000000000ULL, nm_bitmap);
    nm_readdat(file, nm_bitmap);
  }
  std::remove(file.c_str());
}
BENCHMARK(NmWriteRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
