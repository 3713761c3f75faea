// Striking one number of a verified factor from the k-range bitmaps. The
// bitmaps hold odd k of krange_klow .. krange_khigh only; an even k, a k
// outside that range or an n the mode does not sieve (k-range: outside
// krange_nlow .. krange_nhigh; twin: other than krange_nlow) is outside. In
// k-range mode each sign has its own bitmap, and a sign whose side is
// switched off is the wrong form; in twin mode either sign strikes the k.
#include "krange/krange.hpp"
#include "krange/krange_bits.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

strike_result krange_strike(bool twin, std::uint64_t k, std::uint64_t n, int sign) {
  std::vector<std::uint8_t>* bitmap = &krangetwin_bitmap;
  if (!twin) {
    const bool on = sign > 0 ? krange_doplus : krange_dominus;
    if (!on) return strike_result::wrong_form;
    bitmap = sign > 0 ? &krange_bitmapplus : &krange_bitmapminus;
  }
  const std::uint64_t nhigh = twin ? krange_nlow : krange_nhigh;
  if (k < krange_klow || k > krange_khigh || (k & 1) == 0 || n < krange_nlow || n > nhigh)
    return strike_result::outside;
  const std::uint64_t pos = krange_position(k);
  if ((pos >> 3) >= bitmap->size()) return strike_result::outside;
  if (krange_bit_is_set(bitmap->data(), pos)) return strike_result::already_gone;
  krange_set_bit(bitmap->data(), pos);
  return strike_result::struck;
}

}  // namespace quorvel
