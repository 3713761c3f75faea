// A k may be listed more than once in a candidate file; the n is looked for
// in every list of that k, and the first list holding it loses it.
#include "db/factor_strike.hpp"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "quorvel/common.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

strike_result strike_from_ktable(const factor_line_t& f) {
  const int sign = mode == mode_proth ? +1 : -1;
  if (f.sign != sign) return strike_result::wrong_form;
  if (f.k > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) ||
      f.n > std::numeric_limits<std::uint32_t>::max())
    return strike_result::outside;
  const auto k = static_cast<std::int32_t>(f.k);
  const auto n = static_cast<std::uint32_t>(f.n);
  bool known_k = false;
  for (std::uint32_t j = 0; j < num_k; ++j) {
    if (ak[j] != k) continue;
    known_k = true;
    auto& list = aunfacset[j];
    const auto at = std::lower_bound(list.begin(), list.end(), n);
    if (at != list.end() && *at == n) {
      list.erase(at);
      return strike_result::struck;
    }
  }
  if (!known_k || n < nlow || n > nhigh) return strike_result::outside;
  return strike_result::already_gone;
}

}  // namespace quorvel
