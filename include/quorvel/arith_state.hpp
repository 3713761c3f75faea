// Per-prime state of the modular arithmetic: everything a kernel of
// src/arith/ reads about the prime p, made once per prime by
// set_prime_modulus and passed to every kernel. Each routine that works on a
// prime holds its own record, so no two threads ever share one.
#pragma once

#include <cstdint>

namespace quorvel {

struct arith_state_t {
  /// The current prime p, twice, so that a two-lane load yields (p, p).
  alignas(16) std::uint64_t globalp[2];
  /// 1/p in extended precision.
  long double recip_p;
  /// 1/p rounded to double (the quotient estimates of the vector kernels).
  double recip_pd;
  /// p as a double (exact for p < 2^53; the double-based kernels run only
  /// below that).
  double p_d;
  /// Division by p with a precomputed reciprocal: norm_p = p << norm_shift
  /// has its top bit set, norm_inv = floor((2^128 - 1) / norm_p) - 2^64.
  std::uint64_t norm_p;
  std::uint64_t norm_inv;
  int norm_shift;
  /// p^-1 mod 2^64, for Montgomery reduction with R = 2^64.
  std::uint64_t mont_pinv;
  /// R mod p (the Montgomery form of 1).
  std::uint64_t mont_one;
  /// R^2 mod p (converts a residue into Montgomery form).
  std::uint64_t mont_r2;
};

/// Fills `m` for the odd prime p (3 <= p < 2^62; p_limit in common.hpp).
void set_prime_modulus(arith_state_t& m, std::uint64_t p);

/// The state set_prime_modulus makes for p.
inline arith_state_t prime_modulus(std::uint64_t p) {
  arith_state_t m;
  set_prime_modulus(m, p);
  return m;
}

}  // namespace quorvel
