// A list of independent powers, each under the modulus of its own prime,
// computed side by side in one call (the lockstep kernels keep every vector
// lane busy even when each prime needs only a few powers). Long exponents
// (33 bits or more) and short ones are queued apart as they are added, so
// that few lockstep groups mix the two and run long for a short element.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "arith/batch.hpp"
#include "search/prime_job.hpp"

namespace quorvel {

class power_batch_t {
 public:
  void clear() {
    long_.clear();
    short_.clear();
  }

  /// Queues b^e mod st.p (b below st.p); returns its handle: its place in
  /// its queue, bit 31 set for the long one. Handles of powers queued one
  /// after another into the same queue are consecutive.
  std::uint32_t add(const prime_state_t& st, std::uint64_t b, std::uint64_t e) {
    return e < long_exponent ? short_.push(st, b, e) : long_.push(st, b, e) | long_bit;
  }

  /// The same in the long queue whatever the length of e.
  std::uint32_t add_long(const prime_state_t& st, std::uint64_t b, std::uint64_t e) {
    return long_.push(st, b, e) | long_bit;
  }

  void run();

  /// The result of the power with handle h (after run).
  std::uint64_t operator[](std::uint32_t h) const { return *results(h); }

  /// The results of h and of the powers queued right after it into the same
  /// queue, in order (after run).
  const std::uint64_t* results(std::uint32_t h) const {
    return &out_[(h & ~long_bit) + (h >> 31) * long_offset_];
  }

 private:
  static constexpr std::uint64_t long_exponent = std::uint64_t{1} << 32;
  static constexpr std::uint32_t long_bit = std::uint32_t{1} << 31;

  /// Arrays that only grow: a push writes its element in place without a
  /// capacity test per array.
  struct queue_t {
    std::size_t n = 0;
    std::vector<std::uint64_t> base, exp;
    std::vector<const arith_state_t*> mod;
    void clear() { n = 0; }
    std::uint32_t push(const prime_state_t& st, std::uint64_t b, std::uint64_t e) {
      if (n == base.size()) [[unlikely]]
        grow();
      base[n] = b;
      exp[n] = e;
      mod[n] = &st.mod;
      return static_cast<std::uint32_t>(n++);
    }
    [[gnu::noinline]] void grow() {
      const std::size_t size = std::max<std::size_t>(256, 2 * n);
      base.resize(size);
      exp.resize(size);
      mod.resize(size);
    }
    void run(std::uint64_t* out) const {
      powmod_lanes(base.data(), exp.data(), mod.data(), out, n);
    }
  };

  queue_t long_, short_;
  /// The results: the short queue's, then the long queue's.
  std::vector<std::uint64_t> out_;
  std::size_t long_offset_ = 0;
};

}  // namespace quorvel
