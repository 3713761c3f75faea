// Chooses the version of the batch kernels once, from the processor's
// features, and dispatches every call on that choice and the size of p: the
// AVX2 kernels take the primes below fp_balanced_limit, the integer kernels
// the larger ones. A build without the AVX2 sources (QUORVEL_HAVE_AVX2 = 0:
// no compiler support, not x86-64, or QUORVEL_FORCE_VARIANT=scalar) never
// offers that version.
#include <algorithm>

#include "arith/batch.hpp"
#include "arith/batch_scalar.hpp"
#include "quorvel/macros.hpp"
#if QUORVEL_HAVE_AVX2
#include "arith/batch_avx2.hpp"
#endif

namespace quorvel {

namespace {

bool cpu_has_avx2_fma() {
#if QUORVEL_HAVE_AVX2
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

arith_variant best_arith_variant() {
  return cpu_has_avx2_fma() ? arith_variant::avx2 : arith_variant::scalar;
}

/// Whether every element of values[0 .. n) lies below the modulus of m, and
/// every bases[i] below the modulus of its own moduli[i] (the kernels'
/// contracts on their operands).
[[maybe_unused]] bool all_below(const arith_state_t& m, const std::uint64_t* values,
                                std::size_t n) {
  return std::all_of(values, values + n, [&](std::uint64_t v) { return v < m.globalp[0]; });
}
[[maybe_unused]] bool each_below(const std::uint64_t* bases, const arith_state_t* const* moduli,
                                 std::size_t n) {
  for (std::size_t i = 0; i < n; ++i)
    if (bases[i] >= moduli[i]->globalp[0]) return false;
  return true;
}

/// Whether primes[0 .. n) are odd and 3 <= p < 2^63 (the lane kernels that
/// make their moduli from the prime alone), and, when starts is given, every
/// starts[i] below primes[i].
[[maybe_unused]] bool lane_primes_valid(const std::uint64_t* primes, std::size_t n,
                                        const std::uint64_t* starts = nullptr) {
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint64_t p = primes[i];
    if (p < 3 || p % 2 == 0 || p >> 63 != 0) return false;
    if (starts != nullptr && starts[i] >= p) return false;
  }
  return true;
}

/// The version in use; set once at start-up, changed only by tests.
arith_variant active_variant = best_arith_variant();

}  // namespace

arith_variant current_arith_variant() { return active_variant; }

bool arith_variant_supported(arith_variant v) {
  switch (v) {
    case arith_variant::scalar:
      return true;
    case arith_variant::avx2:
      return cpu_has_avx2_fma();
  }
  return false;
}

bool set_arith_variant(arith_variant v) {
  if (!arith_variant_supported(v)) return false;
  active_variant = v;
  return true;
}

const char* arith_variant_name() {
  switch (active_variant) {
    case arith_variant::scalar:
      return "scalar";
    case arith_variant::avx2:
      return "AVX2";
  }
  return "scalar";
}

/// Whether the AVX2 kernels take the prime p.
inline bool avx2_takes(std::uint64_t p) {
  return active_variant == arith_variant::avx2 && p < fp_balanced_limit;
}

void powmod_many(const arith_state_t& m, const std::uint64_t* bases, const std::uint64_t* exps,
                 std::uint64_t* out, std::size_t n) {
  QUORVEL_ASSERT(all_below(m, bases, n));
#if QUORVEL_HAVE_AVX2
  if (avx2_takes(m.globalp[0])) {
    powmod_many_avx2(m, bases, exps, out, n);
    return;
  }
#endif
  powmod_many_scalar(m, bases, exps, out, n);
}

void powmod_lanes(const std::uint64_t* bases, const std::uint64_t* exps,
                  const arith_state_t* const* moduli, std::uint64_t* out, std::size_t n) {
  QUORVEL_ASSERT(each_below(bases, moduli, n));
  // The AVX2 version picks the family group by group.
#if QUORVEL_HAVE_AVX2
  if (active_variant == arith_variant::avx2) {
    powmod_lanes_avx2(bases, exps, moduli, out, n);
    return;
  }
#endif
  powmod_lanes_scalar(bases, exps, moduli, out, n);
}

void pow2mod_many(const arith_state_t& m, const std::uint64_t* exps, std::uint64_t* out,
                  std::size_t n) {
#if QUORVEL_HAVE_AVX2
  if (avx2_takes(m.globalp[0])) {
    pow2mod_many_avx2(m, exps, out, n);
    return;
  }
#endif
  pow2mod_many_scalar(m, exps, out, n);
}

void inverse_pow2_lanes(const std::uint64_t* primes, std::uint64_t e, std::uint64_t* out,
                        std::size_t count) {
  QUORVEL_ASSERT(lane_primes_valid(primes, count));
#if QUORVEL_HAVE_AVX2
  if (active_variant == arith_variant::avx2) {
    inverse_pow2_lanes_avx2(primes, e, out, count);
    return;
  }
#endif
  inverse_pow2_lanes_scalar(primes, e, out, count);
}

void halving_near_zero_lanes(const std::uint64_t* primes, const std::uint64_t* starts,
                             std::size_t count, std::uint64_t steps, std::uint64_t bound,
                             std::uint8_t* flags) {
  QUORVEL_ASSERT(lane_primes_valid(primes, count, starts));
#if QUORVEL_HAVE_AVX2
  if (active_variant == arith_variant::avx2) {
    halving_near_zero_lanes_avx2(primes, starts, count, steps, bound, flags);
    return;
  }
#endif
  halving_near_zero_lanes_scalar(primes, starts, count, steps, bound, flags);
}

void pow2_keys_4lanes(const std::uint64_t* primes, std::uint32_t length, std::size_t stride,
                      std::uint32_t* keys, std::uint32_t* keys_plus, std::uint32_t* orders) {
  QUORVEL_ASSERT(lane_primes_valid(primes, 4) && stride > (std::size_t{length} | 3));
#if QUORVEL_HAVE_AVX2
  if (active_variant == arith_variant::avx2) {
    pow2_keys_4lanes_avx2(primes, length, stride, keys, keys_plus, orders);
    return;
  }
#endif
  pow2_keys_4lanes_scalar(primes, length, stride, keys, keys_plus, orders);
}

void geometric_mod_p(const arith_state_t& m, std::uint64_t start, std::uint64_t ratio,
                     std::size_t count, std::uint64_t* out) {
  QUORVEL_ASSERT(start < m.globalp[0] && ratio < m.globalp[0]);
#if QUORVEL_HAVE_AVX2
  if (avx2_takes(m.globalp[0])) {
    geometric_mod_p_avx2(m, start, ratio, count, out);
    return;
  }
#endif
  geometric_mod_p_scalar(m, start, ratio, count, out);
}

void geometric_powers(const arith_state_t& m, std::uint64_t ratio, std::size_t count,
                      geometric_powers_t& powers) {
  QUORVEL_ASSERT(ratio < m.globalp[0]);
  constexpr std::size_t span = geometric_powers_t::span;
  if (count <= span) {
    geometric_mod_p(m, 1, ratio, count, powers.pow.data());
    return;
  }
  std::uint64_t all[span + 1];
  geometric_mod_p(m, 1, ratio, span + 1, all);
  std::copy(all, all + span, powers.pow.begin());
  powers.next = all[span];
}

void geometric_scaled(const arith_state_t& m, std::uint64_t start, const geometric_powers_t& powers,
                      std::size_t count, std::uint64_t* out) {
  QUORVEL_ASSERT(start < m.globalp[0] && (count == 0 || powers.pow[0] == 1));
#if QUORVEL_HAVE_AVX2
  if (avx2_takes(m.globalp[0])) {
    geometric_scaled_avx2(m, start, powers, count, out);
    return;
  }
#endif
  geometric_scaled_scalar(m, start, powers, count, out);
}

}  // namespace quorvel
