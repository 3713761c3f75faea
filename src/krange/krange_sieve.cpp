// Per-prime elimination of the k-range modes.
//
// With h = (p+1)/2 = 2^-1 mod p and r = h^n = 2^-n mod p, p divides k*2^n-1
// exactly when k == r (mod p) and k*2^n+1 exactly when k == p-r. So each
// exponent and side is one residue class of k: for p >= khigh at most the one
// k = k0 lies in the range (reported when it was still a candidate), for a
// smaller p the class is walked through the bitmap in steps of 2p, which keeps
// to odd k. The running k is carried in 64 bits, so a range ending near 2^32
// cannot wrap.
//
// In k-range mode r for consecutive n comes from one multiplication by h;
// four exponents are advanced at once (by h^4) so that their multiplications
// overlap. Once r returns to its value at nlow, every later exponent repeats
// a residue already handled for this p (bits already set, nothing to report),
// so the loop stops there; small primes with many exponents gain the most.
#include <cinttypes>
#include <cstdio>

#include "arith/mulmod.hpp"
#include "db/factor_check.hpp"
#include "krange/krange.hpp"
#include "krange/krange_bits.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

namespace {

void report(std::uint64_t p, std::uint64_t k, std::uint32_t n, int side) {
  std::printf("%" PRIu64 " | %" PRIu64 "*2^%" PRIu32 "%s\n", p, k, n, side < 0 ? "-1" : "+1");
  std::fflush(stdout);
}

/// krange_do_p_sign with klow_floor = klow - (klow mod p) precomputed.
inline void eliminate_class(std::uint64_t p, std::uint64_t k0, std::uint8_t* bitmap,
                            std::uint32_t n, int side, std::uint64_t klow_floor) {
  const std::uint64_t klow = krange_klow, khigh = krange_khigh;
  if (p >= khigh) {
    // One unsigned comparison first: it almost always fails and predicts
    // well, while the parity test alone would be a coin flip.
    if (k0 - klow > khigh - klow || (k0 & 1) == 0) return;
    // A number equal to p is prime: p does not strike its k.
    if (k2n_equals(p, k0, n, side)) return;
    const std::uint64_t pos = krange_position(k0);
    if (!krange_bit_is_set(bitmap, pos)) report(p, k0, n, side);
    krange_set_bit(bitmap, pos);
    return;
  }
  std::uint64_t e = k0 + klow_floor;  // == k0 (mod p), > klow - p
  if ((e & 1) == 0) e += p;
  if (e < klow) e += 2 * p;
  if (k2n_equals(p, e, n, side)) e += 2 * p;
  if (e > khigh) return;
  const std::uint64_t last = krange_position(khigh);
  for (std::uint64_t pos = krange_position(e); pos <= last; pos += p) krange_set_bit(bitmap, pos);
}

std::uint64_t klow_floor_for(std::uint64_t p) {
  return p >= krange_khigh ? 0 : krange_klow - krange_klow % p;
}

/// Both active sides for one exponent with r = 2^-n mod p.
inline void eliminate_exponent(std::uint64_t p, std::uint64_t r, std::uint32_t n,
                               std::uint64_t klow_floor) {
  if (krange_dominus) eliminate_class(p, r, krange_bitmapminus.data(), n, -1, klow_floor);
  if (krange_doplus) eliminate_class(p, p - r, krange_bitmapplus.data(), n, +1, klow_floor);
}

}  // namespace

void krange_do_p_sign(std::uint64_t p, std::uint64_t k0, std::span<std::uint8_t> bitmap,
                      std::uint32_t n, int side) {
  eliminate_class(p, k0, bitmap.data(), n, side, klow_floor_for(p));
}

void krange_do_p(std::uint64_t p, const arith_state_t& m) {
  if (!krange_dominus && !krange_doplus) return;
  const std::uint64_t nlow = krange_nlow, nhigh = krange_nhigh;
  if (nlow > nhigh) return;
  const std::uint64_t klow_floor = klow_floor_for(p);
  const std::uint64_t h = (p + 1) / 2;
  const std::uint64_t first = powmod_sse2(m, h, nlow);
  std::uint64_t n = nlow;

  // Four exponents per step: r[i] = 2^-(n+i), advanced together by h^4.
  const auto hdivp = bdiv_p(m, h);
  std::uint64_t r[4];
  r[0] = first;
  for (int i = 1; i < 4; ++i) r[i] = mul_mod_p_b(m, r[i - 1], h, hdivp);
  const std::uint64_t h2 = mul_mod_p_b(m, h, h, hdivp);
  const std::uint64_t h4 = mul_mod_p_b(m, h2, h2, bdiv_p(m, h2));
  const auto h4divp = bdiv_p(m, h4);
  // The chain stops where it returns to its value at the anchor, the first
  // exponent from 64 on: below 64 a number may equal p and keep its k, so
  // those exponents are no repeat of a later one with the same residue.
  const std::uint64_t anchor_n = nlow >= krange_repeat_floor ? nlow : krange_repeat_floor;
  std::uint64_t anchor = first;
  for (;;) {
    for (int i = 0; i < 4; ++i, ++n) {
      if (n > nhigh) return;
      if (n > anchor_n && r[i] == anchor) return;
      if (n == anchor_n) anchor = r[i];
      eliminate_exponent(p, r[i], static_cast<std::uint32_t>(n), klow_floor);
    }
    for (int i = 0; i < 4; ++i) r[i] = mul_mod_p_b(m, r[i], h4, h4divp);
  }
}

void krangetwin_do_p(std::uint64_t p, const arith_state_t& m) {
  const std::uint64_t h = (p + 1) / 2;
  const std::uint64_t r = powmod_sse2(m, h, krange_nlow);
  const std::uint64_t klow_floor = klow_floor_for(p);
  eliminate_class(p, r, krangetwin_bitmap.data(), krange_nlow, -1, klow_floor);
  eliminate_class(p, p - r, krangetwin_bitmap.data(), krange_nlow, +1, klow_floor);
}

}  // namespace quorvel
