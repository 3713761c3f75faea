// Loading and analysing the standard-set workload (878,451 candidates) with
// read_db; also riesel50.dat (670,724 candidates, 50 k). A missing workload
// file skips its benchmark with a message.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "db/candidate_file.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace {

void load_workload(benchmark::State& state, const char* file) {
  const std::string name = std::string(QUORVEL_WORKLOADS_DIR) + "/" + file;
  if (!std::filesystem::exists(name)) {
    state.SkipWithError((name + " is missing: run bench/workloads.sh first").c_str());
    return;
  }
  quorvel::verbose = 0;
  quorvel::mode = quorvel::mode_proth;
  for (auto _ : state) {
    if (!quorvel::read_db(name)) {
      state.SkipWithError((name + " did not load").c_str());
      return;
    }
    benchmark::DoNotOptimize(quorvel::aunfacset[0].data());
  }
  std::uint64_t total = 0;
  for (std::uint32_t j = 0; j < quorvel::num_k; ++j) total += quorvel::aunfacset[j].size();
  state.counters["candidates"] = static_cast<double>(total);
  state.counters["candidates/s"] =
      benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ReadDbStd11(benchmark::State& state) { load_workload(state, "std11.dat"); }
void BM_ReadDbRiesel50(benchmark::State& state) { load_workload(state, "riesel50.dat"); }

}  // namespace

BENCHMARK(BM_ReadDbStd11)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadDbRiesel50)->Unit(benchmark::kMillisecond);
