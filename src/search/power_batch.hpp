// A list of independent powers, each under the modulus of its own prime,
// computed side by side in one call (the lockstep kernels keep every vector
// lane busy even when each prime needs only a few powers).
#pragma once

#include <cstdint>
#include <vector>

#include "arith/batch.hpp"
#include "search/prime_job.hpp"

namespace quorvel {

struct power_batch_t {
  std::vector<std::uint64_t> base, exp, out;
  std::vector<const arith_state_t*> mod;

  void clear() {
    base.clear();
    exp.clear();
    mod.clear();
  }
  /// Queues b^e mod st.p (b below st.p); returns its index.
  std::uint32_t add(const prime_state_t& st, std::uint64_t b, std::uint64_t e) {
    base.push_back(b);
    exp.push_back(e);
    mod.push_back(&st.mod);
    return static_cast<std::uint32_t>(base.size() - 1);
  }
  void run() {
    out.resize(base.size());
    powmod_lanes(base.data(), exp.data(), mod.data(), out.data(), base.size());
  }
  std::uint64_t operator[](std::uint32_t i) const { return out[i]; }
};

}  // namespace quorvel
