// The apply step of the near-Mersenne mode (see nm_search.hpp): the mode's
// progress line, then the events of one searched prime become bits of the
// candidate bitmap, with the count of candidates kept. Run by the one
// thread that owns the bitmap, prime by prime in increasing p.
//
// Nothing is struck on the search's word alone: the first pair of an event
// is checked with the independent 128-bit arithmetic of db/factor_check.hpp,
// and so is 2^step == 1 for an event with a step (then p divides the numbers
// of every later pair too, 2^(b + j step) being 2^b). A failed check throws
// false_factor_error before any bit of that event changes. A number equal to
// p is never struck by p.
#include <cstdio>
#include <string>

#include "db/factor_check.hpp"
#include "db/false_factor.hpp"
#include "nearmersenne/nm_search.hpp"

namespace quorvel {

namespace {

std::string near_mersenne_text(std::uint64_t a, std::uint64_t b) {
  return "2^" + std::to_string(a) + "-2^" + std::to_string(b) + "+1";
}

/// Throws false_factor_error unless p divides the numbers of every pair of
/// the event.
void check_event(std::uint64_t p, const nm_event_t& ev) {
  if (!divides_near_mersenne(p, ev.a, ev.b))
    throw false_factor_error(p, near_mersenne_text(ev.a, ev.b));
  // 2^step == 1: 1*2^step - 1 is divisible by p.
  if (ev.step != 0 && ev.b + ev.step < ev.a && !divides_k2n(p, 1, ev.step, -1))
    throw false_factor_error(p, near_mersenne_text(ev.a, ev.b + ev.step));
}

}  // namespace

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
    check_event(p, ev);
    const std::uint64_t row = (std::uint64_t{ev.a} - s.alow) * row_bits;
    for (std::uint32_t b = ev.b; b < ev.a; b += ev.step) {
      if (near_mersenne_equals(p, ev.a, b)) {
        if (ev.step == 0) break;
        continue;
      }
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
