// The apply step of the k-range modes (see krange_search.hpp): the events of
// one searched prime become bits, and a prime at or above khigh reports each
// k it strikes while that k is still a candidate, with the line of the
// per-prime routine. Run by the one thread that owns the bitmaps, prime by
// prime in increasing p.
//
// Nothing is struck on the search's word alone. A k that a prime at or above
// khigh would strike is checked first with the independent 128-bit
// arithmetic of db/factor_check.hpp; a walk of a smaller prime is checked at
// its first member (every other member differs from it by a multiple of p,
// so p divides all their numbers or none). A failed check throws
// false_factor_error before any bit of that event changes. A number equal to
// p is prime, so its k is never struck by p (only numbers with n below 64
// can be that small).
#include <cinttypes>
#include <cstdio>

#include "db/factor_check.hpp"
#include "db/factor_line.hpp"
#include "db/false_factor.hpp"
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

inline bool bit_is_clear(const std::uint8_t* bitmap, std::uint64_t pos) {
  return (bitmap[pos >> 3] & (1u << (pos & 7))) == 0;
}

/// Throws false_factor_error unless p divides the number of the event.
void check_event(std::uint64_t p, const krange_event_t& ev) {
  if (!divides_k2n(p, ev.k, ev.n, ev.side))
    throw false_factor_error(p, number_text(ev.k, ev.n, ev.side));
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
      if (bit_is_clear(bitmap, pos)) {
        if (k2n_equals(p, ev.k, ev.n, ev.side)) continue;
        check_event(p, ev);
        strike(bitmap, pos);
        ++struck;
        std::printf("%" PRIu64 " | %" PRIu64 "*2^%" PRIu32 "%s\n", p, ev.k, ev.n,
                    ev.side < 0 ? "-1" : "+1");
        std::fflush(stdout);
      }
      continue;
    }
    // The walk steps by 2p in k, p in bit positions.
    check_event(p, ev);
    const std::uint64_t from = k2n_equals(p, ev.k, ev.n, ev.side) ? pos + p : pos;
    for (std::uint64_t at = from; at <= last; at += p) struck += strike(bitmap, at);
  }
  return struck;
}

}  // namespace quorvel
