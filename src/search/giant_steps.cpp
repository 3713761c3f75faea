// The giant exponents of a stride (see giant_steps.hpp).
#include "search/giant_steps.hpp"

#include "quorvel/ktable.hpp"

namespace quorvel {

giant_range_t giant_range(std::uint64_t g) {
  giant_range_t r{0, 1, 0};
  if (nlow > 500000) {
    r.first_e = nlow / g * g;
    r.first_tag = nlow / g + 1;
  }
  if (r.first_e <= nhigh) r.count = (nhigh - r.first_e) / g + 1;
  return r;
}

}  // namespace quorvel
