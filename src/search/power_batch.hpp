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
    slot_.clear();
  }

  /// Queues b^e mod st.p (b below st.p); returns its index.
  std::uint32_t add(const prime_state_t& st, std::uint64_t b, std::uint64_t e) {
    const bool is_short = e < long_exponent;
    queue_t& q = is_short ? short_ : long_;
    slot_.push_back(static_cast<std::uint32_t>(q.n) |
                    (static_cast<std::uint32_t>(is_short) << 31));
    q.push(st, b, e);
    return static_cast<std::uint32_t>(slot_.size() - 1);
  }

  void run();

  /// The result of the power queued as index i (after run).
  std::uint64_t operator[](std::uint32_t i) const {
    const std::uint32_t s = slot_[i];
    return out_[(s & 0x7fffffffu) + ((s >> 31) != 0 ? short_offset_ : 0)];
  }

 private:
  static constexpr std::uint64_t long_exponent = std::uint64_t{1} << 32;

  /// Arrays that only grow: a push writes its element in place without a
  /// capacity test per array.
  struct queue_t {
    std::size_t n = 0;
    std::vector<std::uint64_t> base, exp;
    std::vector<const arith_state_t*> mod;
    std::vector<double> pd, rp;
    void clear() { n = 0; }
    void push(const prime_state_t& st, std::uint64_t b, std::uint64_t e) {
      if (n == base.size()) [[unlikely]]
        grow();
      base[n] = b;
      exp[n] = e;
      mod[n] = &st.mod;
      pd[n] = st.mod.p_d;
      rp[n] = st.mod.recip_pd;
      ++n;
    }
    [[gnu::noinline]] void grow() {
      const std::size_t size = std::max<std::size_t>(256, 2 * n);
      base.resize(size);
      exp.resize(size);
      mod.resize(size);
      pd.resize(size);
      rp.resize(size);
    }
    void run(std::uint64_t* out) const {
      powmod_lanes(base.data(), exp.data(), mod.data(), pd.data(), rp.data(), out, n);
    }
  };

  queue_t long_, short_;
  /// Where index i sits: its place in its queue, bit 31 set for the short one.
  std::vector<std::uint32_t> slot_;
  /// The results: the long queue's, then the short queue's.
  std::vector<std::uint64_t> out_;
  std::size_t short_offset_ = 0;
};

}  // namespace quorvel
