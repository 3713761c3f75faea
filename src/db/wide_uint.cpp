// Schoolbook arithmetic on base-2^32 limbs; the numbers stay small (one
// limb per k at most) so nothing cleverer is needed.
#include "db/wide_uint.hpp"

#include <algorithm>
#include <numeric>

namespace quorvel {

namespace {

void trim(wide_uint& w) {
  while (!w.limbs.empty() && w.limbs.back() == 0) w.limbs.pop_back();
}

/// w / d in place; returns the remainder.
std::uint32_t divide_in_place(wide_uint& w, std::uint32_t d) {
  std::uint64_t rem = 0;
  for (std::size_t i = w.limbs.size(); i-- > 0;) {
    const std::uint64_t cur = (rem << 32) | w.limbs[i];
    w.limbs[i] = static_cast<std::uint32_t>(cur / d);
    rem = cur % d;
  }
  trim(w);
  return static_cast<std::uint32_t>(rem);
}

}  // namespace

wide_uint wide_from(std::uint64_t v) {
  wide_uint w;
  w.limbs = {static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
  trim(w);
  return w;
}

void wide_mul(wide_uint& w, std::uint32_t f) {
  std::uint64_t carry = 0;
  for (auto& limb : w.limbs) {
    const std::uint64_t cur = static_cast<std::uint64_t>(limb) * f + carry;
    limb = static_cast<std::uint32_t>(cur);
    carry = cur >> 32;
  }
  if (carry != 0) w.limbs.push_back(static_cast<std::uint32_t>(carry));
  trim(w);
}

std::uint32_t wide_mod(const wide_uint& w, std::uint32_t d) {
  std::uint64_t rem = 0;
  for (std::size_t i = w.limbs.size(); i-- > 0;) rem = ((rem << 32) | w.limbs[i]) % d;
  return static_cast<std::uint32_t>(rem);
}

void wide_lcm(wide_uint& w, std::uint32_t v) {
  const std::uint32_t g = std::gcd(wide_mod(w, v), v);
  wide_mul(w, v / g);
}

bool wide_at_most(const wide_uint& w, std::uint64_t bound) {
  return w.limbs.size() <= 2 && wide_low64(w) <= bound;
}

std::uint64_t wide_low64(const wide_uint& w) {
  std::uint64_t v = 0;
  if (!w.limbs.empty()) v = w.limbs[0];
  if (w.limbs.size() > 1) v |= static_cast<std::uint64_t>(w.limbs[1]) << 32;
  return v;
}

std::string wide_to_string(const wide_uint& w) {
  if (w.limbs.empty()) return "0";
  wide_uint rest = w;
  std::string digits;
  while (!rest.limbs.empty()) {
    std::uint32_t chunk = divide_in_place(rest, 1000000000u);
    for (int i = 0; i < 9; ++i) {
      digits.push_back(static_cast<char>('0' + chunk % 10));
      chunk /= 10;
      if (rest.limbs.empty() && chunk == 0) break;
    }
  }
  std::reverse(digits.begin(), digits.end());
  return digits;
}

}  // namespace quorvel
