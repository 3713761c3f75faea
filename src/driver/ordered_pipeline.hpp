// Work in batches on worker threads, results taken strictly in order.
//
// The calling thread fills the slots (fill), the workers do the work of a
// slot (work, each worker with its own state), and the calling thread takes
// the results (finish) one slot after another in the order they were
// filled, so everything finish does — printing, writing files, saving
// progress — happens in exactly the order of a single thread. Up to
// slots.size() batches are under way at once; a slot is refilled only after
// its results were taken.
//
// finish returns false to end the run early (the batches still under way
// are dropped unfinished). An exception thrown by fill or finish, or by work
// on a worker, ends the run: the workers are stopped and joined, and the
// exception reaches the caller.
//
// With one worker nothing runs on another thread: fill, work and finish
// take turns on the calling thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel {

template <class Slot, class Worker, class Fill, class Work, class Finish>
void run_ordered(std::vector<Slot>& slots, std::vector<Worker>& workers, Fill fill, Work work,
                 Finish finish) {
  if (workers.size() <= 1 || slots.size() <= 1) {
    while (fill(slots[0])) {
      work(slots[0], workers[0]);
      if (!finish(slots[0])) return;
    }
    return;
  }

  struct shared_t {
    std::mutex m;
    std::condition_variable work_ready, slot_done;
    std::deque<std::size_t> queue;  // slots waiting for a worker
    std::vector<char> done;         // per slot: its work is finished
    std::exception_ptr error;
    bool stop = false;
  } sh;
  sh.done.assign(slots.size(), 0);

  auto worker_loop = [&](Worker& state) {
    for (;;) {
      std::unique_lock<std::mutex> lock(sh.m);
      sh.work_ready.wait(lock, [&] { return sh.stop || !sh.queue.empty(); });
      if (sh.stop) return;
      const std::size_t s = sh.queue.front();
      sh.queue.pop_front();
      lock.unlock();
      std::exception_ptr error;
      try {
        work(slots[s], state);
      } catch (...) {
        error = std::current_exception();
      }
      lock.lock();
      if (error && !sh.error) sh.error = error;
      sh.done[s] = 1;
      sh.slot_done.notify_one();
    }
  };

  std::vector<std::thread> threads;
  // Stops and joins the workers on every way out, exceptions included.
  struct joiner_t {
    shared_t& sh;
    std::vector<std::thread>& threads;
    ~joiner_t() {
      {
        std::lock_guard<std::mutex> lock(sh.m);
        sh.stop = true;
        sh.queue.clear();
      }
      sh.work_ready.notify_all();
      for (std::thread& t : threads) t.join();
    }
  } joiner{sh, threads};
  threads.reserve(workers.size());
  for (Worker& w : workers) threads.emplace_back(worker_loop, std::ref(w));

  const std::size_t n = slots.size();
  std::size_t filled = 0, finished = 0;
  bool exhausted = false;
  for (;;) {
    while (!exhausted && filled - finished < n) {
      const std::size_t s = filled % n;
      if (!fill(slots[s])) {
        exhausted = true;
        break;
      }
      {
        std::lock_guard<std::mutex> lock(sh.m);
        sh.done[s] = 0;
        sh.queue.push_back(s);
      }
      sh.work_ready.notify_one();
      ++filled;
    }
    if (finished == filled) return;
    const std::size_t s = finished % n;
    {
      std::unique_lock<std::mutex> lock(sh.m);
      sh.slot_done.wait(lock, [&] { return sh.done[s] != 0 || sh.error; });
      if (sh.error) std::rethrow_exception(sh.error);
    }
    if (!finish(slots[s])) return;
    ++finished;
  }
}

}  // namespace quorvel
