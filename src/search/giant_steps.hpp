// Which giant exponents a search of stride G covers: from 0, or from the
// multiple of G at or below nlow when nlow is above 500000 (so that a range
// far from 0 does not pay for the exponents below it), up to the last
// multiple of G not above nhigh. Entry e carries the tag e/G + 1.
#pragma once

#include <cstdint>

namespace quorvel {

struct giant_range_t {
  std::uint64_t first_e;    ///< the first exponent, a multiple of G
  std::uint64_t first_tag;  ///< its tag, first_e / G + 1
  std::uint64_t count;      ///< number of entries (0 when first_e > nhigh)
};

giant_range_t giant_range(std::uint64_t g);

}  // namespace quorvel
