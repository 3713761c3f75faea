// A list of independent powers, each under the modulus of its own prime,
// computed side by side in one call (the lockstep kernels keep every vector
// lane busy even when each prime needs only a few powers). Before the call
// the long exponents (33 bits or more) are moved in front of the short ones,
// so that few lockstep groups mix the two and run long for a short element.
#pragma once

#include <cstdint>
#include <vector>

#include "arith/batch.hpp"
#include "search/prime_job.hpp"

namespace quorvel {

class power_batch_t {
 public:
  void clear() {
    base_.clear();
    exp_.clear();
    mod_.clear();
    pd_.clear();
    rp_.clear();
  }

  /// Queues b^e mod st.p (b below st.p); returns its index.
  std::uint32_t add(const prime_state_t& st, std::uint64_t b, std::uint64_t e) {
    base_.push_back(b);
    exp_.push_back(e);
    mod_.push_back(&st.mod);
    pd_.push_back(st.mod.p_d);
    rp_.push_back(st.mod.recip_pd);
    return static_cast<std::uint32_t>(base_.size() - 1);
  }

  void run();

  std::uint64_t operator[](std::uint32_t i) const { return out_[i]; }
  /// The results in queue order.
  const std::uint64_t* results() const { return out_.data(); }

 private:
  std::vector<std::uint64_t> base_, exp_, out_;
  std::vector<const arith_state_t*> mod_;
  std::vector<double> pd_, rp_;
  // The queue reordered by exponent length, as the kernel takes it.
  std::vector<std::uint32_t> order_;
  std::vector<std::uint64_t> sbase_, sexp_, sout_;
  std::vector<const arith_state_t*> smod_;
  std::vector<double> spd_, srp_;
};

}  // namespace quorvel
