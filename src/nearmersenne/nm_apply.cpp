// The apply step of the near-Mersenne mode (see nm_search.hpp): the mode's
// progress line, then the events of one searched prime become bits of the
// candidate bitmap, with the count of candidates kept. Run by the one
// thread that owns the bitmap, prime by prime in increasing p.
#include <cstdio>

#include "nearmersenne/nm_search.hpp"

namespace quorvel {

std::uint64_t nm_apply_prime(const nm_settings_t& s, const nm_hits_t& hits, std::size_t j,
                             nm_progress_t& progress, std::span<std::uint8_t> bitmap,
                             std::uint64_t& candidates) {
  const std::uint64_t p = hits.primes[j];
  if (++progress.cnt == 10) {
    std::printf("trying p: %llu (%llu numbers left)\n", static_cast<unsigned long long>(p),
                static_cast<unsigned long long>(candidates));
    std::fflush(stdout);
    progress.cnt = 0;
  }
  // Every event lies in a row of the range; a bitmap too small for the
  // settings takes nothing.
  const std::uint64_t row_bits = 8 * ((std::uint64_t{s.ahigh} + 6) >> 3);
  if (s.ahigh < s.alow || bitmap.size() * std::uint64_t{8} < row_bits * (s.ahigh - s.alow + 1))
    return 0;
  std::uint8_t* const bits = bitmap.data();
  std::uint64_t struck = 0;
  for (std::size_t i = hits.first[j]; i < hits.first[j + 1]; ++i) {
    const nm_event_t& ev = hits.events[i];
    const std::uint64_t row = (std::uint64_t{ev.a} - s.alow) * row_bits;
    for (std::uint32_t b = ev.b; b < ev.a; b += ev.step) {
      const std::uint64_t at = row + b - 1;  // the bit of (a, b)
      std::uint8_t& byte = bits[at >> 3];
      const auto mask = static_cast<std::uint8_t>(1u << (at & 7));
      struck += (byte & mask) == 0 ? 1 : 0;
      byte |= mask;
      if (ev.step == 0) break;
    }
  }
  candidates -= struck;
  return struck;
}

}  // namespace quorvel
