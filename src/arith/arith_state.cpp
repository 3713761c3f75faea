// The per-prime arithmetic state and the one function that sets it.
#include "quorvel/arith_state.hpp"

namespace quorvel {

arith_state_t arith = {{3, 3}, 1.0L / 3, 1.0 / 3, 0, 0, 0};

void set_prime_modulus(std::uint64_t p) {
  arith.globalp[0] = p;
  arith.globalp[1] = p;
  arith.recip_p = 1.0L / static_cast<long double>(p);
  arith.recip_pd = 1.0 / static_cast<double>(p);
  // Newton iteration for p^-1 mod 2^64: each step doubles the correct bits,
  // starting from 3 correct bits (p*p == 1 mod 8 for odd p).
  std::uint64_t inv = p;
  for (int i = 0; i < 5; ++i) inv *= 2 - p * inv;
  arith.mont_pinv = inv;
  const unsigned __int128 r = (static_cast<unsigned __int128>(1) << 64) % p;
  arith.mont_one = static_cast<std::uint64_t>(r);
  arith.mont_r2 = static_cast<std::uint64_t>((r * r) % p);
}

}  // namespace quorvel
