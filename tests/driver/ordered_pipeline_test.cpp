// The ordered pipeline: results are taken in the order the batches were
// made, whatever the number of workers and however long each batch takes;
// every worker keeps to its own state; an early stop or an exception on any
// thread ends the run with every worker joined.
#include "driver/ordered_pipeline.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

namespace quorvel {
namespace {

struct Slot {
  std::uint64_t input = 0;
  std::uint64_t output = 0;
  std::uint32_t delay_us = 0;
};

struct Worker {
  std::uint64_t batches = 0;  // touched only by the worker's own thread
};

/// A function of the input that takes a while, so that batches overlap.
std::uint64_t slow_hash(std::uint64_t x) {
  for (int i = 0; i < 2000; ++i) x = x * 6364136223846793005ULL + 1442695040888963407ULL;
  return x;
}

TEST(OrderedPipeline, TakesResultsInOrderForAnyNumberOfWorkers) {
  for (const std::size_t nworkers : {1u, 2u, 3u, 8u}) {
    for (const std::size_t nslots : {1u, 2u, 5u, 17u}) {
      std::vector<Slot> slots(nslots);
      std::vector<Worker> workers(nworkers);
      std::mt19937_64 rng(nworkers * 100 + nslots);
      std::uint64_t made = 0, taken = 0;
      const std::uint64_t total = 300;
      const auto fill = [&](Slot& s) {
        if (made == total) return false;
        s.input = made++;
        s.delay_us = static_cast<std::uint32_t>(rng() % 200);
        return true;
      };
      const auto work = [](Slot& s, Worker& w) {
        std::this_thread::sleep_for(std::chrono::microseconds(s.delay_us));
        s.output = slow_hash(s.input);
        ++w.batches;
      };
      const auto finish = [&](Slot& s) {
        EXPECT_EQ(s.input, taken) << nworkers << " workers, " << nslots << " slots";
        EXPECT_EQ(s.output, slow_hash(taken));
        ++taken;
        return true;
      };
      run_ordered(slots, workers, fill, work, finish);
      EXPECT_EQ(taken, total);
      std::uint64_t batches = 0;
      for (const Worker& w : workers) batches += w.batches;
      EXPECT_EQ(batches, total);
    }
  }
}

TEST(OrderedPipeline, StopsEarlyWhenFinishSaysSo) {
  std::vector<Slot> slots(7);
  std::vector<Worker> workers(3);
  std::uint64_t made = 0, taken = 0;
  run_ordered(
      slots, workers,
      [&](Slot& s) {
        s.input = made++;
        return true;  // endless: only the stop ends the run
      },
      [](Slot& s, Worker&) { s.output = slow_hash(s.input); },
      [&](Slot& s) {
        EXPECT_EQ(s.input, taken);
        return ++taken < 50;
      });
  EXPECT_EQ(taken, 50u);
  // No more than the slots' worth of batches was made beyond the last one taken.
  EXPECT_LE(made, 50u + slots.size());
}

TEST(OrderedPipeline, ExceptionsOfWorkersAndOfFinishReachTheCaller) {
  for (const std::size_t nworkers : {1u, 4u}) {
    std::vector<Slot> slots(9);
    std::vector<Worker> workers(nworkers);
    std::uint64_t made = 0;
    const auto fill = [&](Slot& s) {
      s.input = made++;
      return made <= 1000;
    };
    EXPECT_THROW(run_ordered(
                     slots, workers, fill,
                     [](Slot& s, Worker&) {
                       if (s.input == 37) throw std::runtime_error("work");
                       s.output = s.input;
                     },
                     [](Slot&) { return true; }),
                 std::runtime_error);
    made = 0;
    std::uint64_t taken = 0;
    EXPECT_THROW(run_ordered(
                     slots, workers, fill, [](Slot& s, Worker&) { s.output = s.input; },
                     [&](Slot& s) {
                       if (s.input == 11) throw std::logic_error("finish");
                       ++taken;
                       return true;
                     }),
                 std::logic_error);
    EXPECT_EQ(taken, 11u);
  }
}

}  // namespace
}  // namespace quorvel
