// A factor that fails its check is an internal fault of the per-prime
// routine that found it. The report throws false_factor_error before
// anything is written or struck; the run driver catches it, says so on one
// line, saves progress before p (so a resumed run handles p again) and ends
// with status 1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quorvel {

class false_factor_error : public std::runtime_error {
 public:
  /// `number` is the text of the number, e.g. "7*2^104+1".
  false_factor_error(std::uint64_t p, const std::string& number)
      : std::runtime_error("false factor " + std::to_string(p) + " | " + number),
        p_(p),
        number_(number) {}
  std::uint64_t p() const { return p_; }
  const std::string& number() const { return number_; }

 private:
  std::uint64_t p_;
  std::string number_;
};

}  // namespace quorvel
