// The Proth/Riesel search per prime on the benchmark workloads (made by
// bench/workloads.sh): the candidate file is loaded and set up once, then
// each iteration walks the primes of a fixed p range through the prime stream
// and the search, as the driver does (without its console and file work).
// Reported per prime and as p range covered per CPU second.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "db/candidate_file.hpp"
#include "primes/prime_stream.hpp"
#include "quorvel/arith_state.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "quorvel/search_state.hpp"
#include "search/prime_job.hpp"
#include "search/search.hpp"
#include "search/search_context.hpp"

namespace quorvel {
namespace {

bool load(const std::string& file, int sieve_mode) {
  static std::string loaded;
  if (loaded == file) return true;
  const std::string path = std::string(QUORVEL_WORKLOADS_DIR) + "/" + file;
  if (!std::filesystem::exists(path)) return false;
  mode = sieve_mode;
  fact_txt_filename = factexcl_txt_filename = factrange_txt_filename = "/dev/null";
  if (!read_db(path)) return false;
  hash_bits = num_k <= 19 ? 12 : 13;
  set_sieve_window_size(num_k <= 19 ? 4194304 : 524288);
  static bool base_done = false;
  if (!base_done) eratosthenes_base(base_prime_bound);
  base_done = true;
  initialize_proth_riesel();
  loaded = file;
  return true;
}

void run_range(benchmark::State& state, const char* file, int sieve_mode, std::uint64_t pmin,
               std::uint64_t span) {
  if (!load(file, sieve_mode)) {
    state.SkipWithError("workload file not found: run bench/workloads.sh first");
    return;
  }
  std::uint64_t primes = 0;
  static prime_block_t block;
  static search_context_t ctx;
  for (auto _ : state) {
    start_prime_stream(pmin);
    std::uint64_t p = next_sieved_p();
    while (p <= pmin + span) {
      block.count = 0;
      for (; p <= pmin + span && block.count < block_capacity; p = next_sieved_p())
        block.jobs[block.count++].reset(p, pminus1_factors(sievewindowindex));
      search_block(block, ctx);
      primes += block.count;
    }
  }
  state.counters["ns_per_prime"] = benchmark::Counter(
      static_cast<double>(primes), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["p_per_s"] =
      benchmark::Counter(static_cast<double>(span) * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate);
}

void BM_Std11At1e12(benchmark::State& s) {
  run_range(s, "std11.dat", mode_proth, 1000000000000ULL, 2000000);
}
void BM_Std11At1e15(benchmark::State& s) {
  run_range(s, "std11.dat", mode_proth, 1000000000000000ULL, 2000000);
}
void BM_Riesel50At1e12(benchmark::State& s) {
  run_range(s, "riesel50.dat", mode_riesel, 1000000000000ULL, 2000000);
}

BENCHMARK(BM_Std11At1e12)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Std11At1e15)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_Riesel50At1e12)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
}  // namespace quorvel
