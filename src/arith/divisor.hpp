// Division by a divisor that stays fixed over many divisions, without the
// processor's divide instruction: one high multiply by a precomputed
// reciprocal and at most one correction. Exact for every dividend and every
// nonzero divisor below 2^64.
#pragma once

#include <cstdint>

namespace quorvel {

class divisor_t {
 public:
  divisor_t() = default;
  explicit divisor_t(std::uint64_t d) : d_(d), m_(~std::uint64_t{0} / d) {}

  std::uint64_t value() const { return d_; }

  /// x / d and x % d. With m = floor((2^64 - 1) / d), the estimate
  /// q = floor(x m / 2^64) is never above x / d and falls short of it by
  /// less than x/2^64 + 1 < 2, so one correction makes it exact.
  std::uint64_t quotient(std::uint64_t x, std::uint64_t& remainder) const {
    std::uint64_t q = static_cast<std::uint64_t>((static_cast<unsigned __int128>(x) * m_) >> 64);
    std::uint64_t r = x - q * d_;
    if (r >= d_) {
      r -= d_;
      ++q;
    }
    remainder = r;
    return q;
  }

  std::uint64_t mod(std::uint64_t x) const {
    std::uint64_t r;
    quotient(x, r);
    return r;
  }

  std::uint64_t divide(std::uint64_t x) const {
    std::uint64_t r;
    return quotient(x, r);
  }

 private:
  std::uint64_t d_ = 1;
  std::uint64_t m_ = ~std::uint64_t{0};
};

}  // namespace quorvel
