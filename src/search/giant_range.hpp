// Which giant exponents a search of stride G covers: from 0, or from the
// multiple of G at or below nlow when nlow is above 500000 (so that a range
// far from 0 does not pay for the exponents below it), up to the last
// multiple of G not above nhigh.
#pragma once

#include <cstdint>

#include "quorvel/ktable.hpp"

namespace quorvel {

struct giant_range_t {
  std::uint64_t first_e;  ///< the first exponent, a multiple of G
  std::uint64_t count;    ///< number of exponents (0 when first_e > nhigh)
};

inline giant_range_t giant_range(std::uint64_t g) {
  giant_range_t r{0, 0};
  if (nlow > 500000) r.first_e = nlow / g * g;
  if (r.first_e <= nhigh) r.count = (nhigh - r.first_e) / g + 1;
  return r;
}

}  // namespace quorvel
