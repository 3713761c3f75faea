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
  // Long exponents first, then short ones, each in queue order.
  constexpr std::uint64_t long_exponent = std::uint64_t{1} << 32;
  // Without branches: the two kinds come mixed in no predictable pattern.
  std::size_t longs = 0;
  for (std::size_t i = 0; i < n; ++i) longs += exp_[i] >= long_exponent;
  std::size_t next_long = 0, next_short = longs;
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t is_long = exp_[i] >= long_exponent;
    const std::size_t pick = std::size_t{0} - is_long;  // all ones for a long one
    order_[(next_long & pick) | (next_short & ~pick)] = static_cast<std::uint32_t>(i);
    next_long += is_long;
    next_short += 1 - is_long;
  }
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint32_t i = order_[k];
    sbase_[k] = base_[i];
    sexp_[k] = exp_[i];
    smod_[k] = mod_[i];
    spd_[k] = pd_[i];
    srp_[k] = rp_[i];
  }
  powmod_lanes(sbase_.data(), sexp_.data(), smod_.data(), spd_.data(), srp_.data(), sout_.data(),
               n);
  for (std::size_t k = 0; k < n; ++k) out_[order_[k]] = sout_[k];
}

}  // namespace quorvel
