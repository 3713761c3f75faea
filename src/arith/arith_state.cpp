// The per-prime arithmetic state and the one function that sets it. Called
// once per trial prime, so it avoids the slow generic 128-bit division: one
// hardware division gives the reciprocal of the normalised p, and the two
// Montgomery constants come from the kernels themselves.
#include "quorvel/arith_state.hpp"

#include "arith/mulmod.hpp"
#include "quorvel/common.hpp"
#include "quorvel/macros.hpp"

namespace quorvel {

namespace {

/// floor((2^128 - 1) / d) - 2^64 for d with its top bit set: the quotient of
/// (~d) * 2^64 + (2^64 - 1) by d, which fits one word because ~d < d.
std::uint64_t reciprocal_of_normalised(std::uint64_t d) {
#if defined(__x86_64__)
  std::uint64_t q, r;
  __asm__("divq %4" : "=a"(q), "=d"(r) : "a"(~std::uint64_t{0}), "d"(~d), "r"(d) : "cc");
  return q;
#else
  return static_cast<std::uint64_t>(~static_cast<u128>(0) / d - (static_cast<u128>(1) << 64));
#endif
}

}  // namespace

void set_prime_modulus(arith_state_t& m, std::uint64_t p) {
  QUORVEL_ASSERT(p >= 3 && p < p_limit && p % 2 == 1);
  m.globalp[0] = p;
  m.globalp[1] = p;
  m.recip_p = 1.0L / static_cast<long double>(p);
  m.p_d = static_cast<double>(static_cast<std::int64_t>(p));
  m.recip_pd = 1.0 / m.p_d;
  const int s = __builtin_clzll(p);
  m.norm_shift = s;
  m.norm_p = p << s;
  m.norm_inv = reciprocal_of_normalised(m.norm_p);
  // Newton iteration for p^-1 mod 2^64: 3p XOR 2 is correct to 5 bits for
  // odd p, and each step doubles the correct bits (5, 10, 20, 40, 80).
  std::uint64_t inv = (3 * p) ^ 2;
  for (int i = 0; i < 4; ++i) inv *= 2 - p * inv;
  m.mont_pinv = inv;
  // R mod p is the remainder of 2^64 = (1, 0); R^2 mod p its square.
  m.mont_one = norm_rem(m, std::uint64_t{1} << s, 0) >> s;
  m.mont_r2 = mul_mod_p_reduced(m, m.mont_one, m.mont_one);
}

}  // namespace quorvel
