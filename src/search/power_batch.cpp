// Running a power batch (see power_batch.hpp).
#include "search/power_batch.hpp"

namespace quorvel {

void power_batch_t::run() {
  const std::size_t n = base_.size();
  out_.resize(n);
  order_.resize(n);
  sbase_.resize(n);
  sexp_.resize(n);
  sout_.resize(n);
  smod_.resize(n);
  spd_.resize(n);
  srp_.resize(n);
  // A counting sort on the bit length of the exponent, longest first.
  std::uint32_t count[66] = {};
  auto bucket = [](std::uint64_t e) { return 65 - (e != 0 ? 64 - __builtin_clzll(e) : 0); };
  for (std::size_t i = 0; i < n; ++i) ++count[bucket(exp_[i])];
  for (std::size_t l = 1; l < 66; ++l) count[l] += count[l - 1];
  for (std::size_t i = n; i-- > 0;) order_[--count[bucket(exp_[i])]] = static_cast<std::uint32_t>(i);
  for (std::size_t j = 0; j < n; ++j) {
    const std::uint32_t i = order_[j];
    sbase_[j] = base_[i];
    sexp_[j] = exp_[i];
    smod_[j] = mod_[i];
    spd_[j] = mod_[i]->p_d;
    srp_[j] = mod_[i]->recip_pd;
  }
  powmod_lanes(sbase_.data(), sexp_.data(), smod_.data(), spd_.data(), srp_.data(), sout_.data(),
               n);
  for (std::size_t j = 0; j < n; ++j) out_[order_[j]] = sout_[j];
}

}  // namespace quorvel
