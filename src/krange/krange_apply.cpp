// The apply step of the k-range modes (see krange_search.hpp): the events of
// one searched prime become bits, and a prime at or above khigh reports each
// k it strikes while that k is still a candidate, with the line of the
// per-prime routine. Run by the one thread that owns the bitmaps, prime by
// prime in increasing p.
#include <cinttypes>
#include <cstdio>

#include "krange/krange.hpp"
#include "krange/krange_search.hpp"

namespace quorvel {

namespace {

/// Sets bit pos; 1 when it was clear (a candidate struck), else 0.
inline std::uint64_t strike(std::uint8_t* bitmap, std::uint64_t pos) {
  std::uint8_t& byte = bitmap[pos >> 3];
  const auto mask = static_cast<std::uint8_t>(1u << (pos & 7));
  const std::uint64_t was_clear = (byte & mask) == 0 ? 1 : 0;
  byte |= mask;
  return was_clear;
}

}  // namespace

krange_bitmaps_t krange_current_bitmaps(bool twin) {
  if (twin) return {krangetwin_bitmap.data(), krangetwin_bitmap.data()};
  return {krange_bitmapminus.data(), krange_bitmapplus.data()};
}

std::uint64_t krange_apply_events(const krange_settings_t& s, const krange_hits_t& hits,
                                  std::size_t j, const krange_bitmaps_t& bitmaps) {
  const std::uint64_t p = hits.primes[j];
  const std::uint64_t last = (s.khigh - s.klow) >> 1;  // position of the last k
  std::uint64_t struck = 0;
  for (std::size_t i = hits.first[j]; i < hits.first[j + 1]; ++i) {
    const krange_event_t& ev = hits.events[i];
    std::uint8_t* const bitmap = ev.side < 0 ? bitmaps.minus : bitmaps.plus;
    const std::uint64_t pos = (ev.k - s.klow) >> 1;
    if (p >= s.khigh) {
      if (strike(bitmap, pos) != 0) {
        ++struck;
        std::printf("%" PRIu64 " | %" PRIu64 "*2^%" PRIu32 "%s\n", p, ev.k, ev.n,
                    ev.side < 0 ? "-1" : "+1");
        std::fflush(stdout);
      }
      continue;
    }
    // The walk steps by 2p in k, p in bit positions.
    for (std::uint64_t at = pos; at <= last; at += p) struck += strike(bitmap, at);
  }
  return struck;
}

}  // namespace quorvel
