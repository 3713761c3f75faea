// Chooses the version of the batch kernels once, from the processor's
// features, and dispatches every call on that choice and the size of p: the
// AVX2 kernels take the primes below fp_balanced_limit, the integer kernels
// the larger ones.
#include <algorithm>

#include "arith/batch.hpp"
#include "arith/batch_avx2.hpp"
#include "arith/batch_scalar.hpp"

namespace quorvel {

namespace {

bool cpu_has_avx2_fma() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

arith_variant best_arith_variant() {
  return cpu_has_avx2_fma() ? arith_variant::avx2 : arith_variant::scalar;
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
  if (avx2_takes(m.globalp[0])) {
    powmod_many_avx2(m, bases, exps, out, n);
  } else {
    powmod_many_scalar(m, bases, exps, out, n);
  }
}

void powmod_lanes(const std::uint64_t* bases, const std::uint64_t* exps,
                  const arith_state_t* const* moduli, std::uint64_t* out, std::size_t n) {
  // The AVX2 version picks the family group by group.
  if (active_variant == arith_variant::avx2) {
    powmod_lanes_avx2(bases, exps, moduli, out, n);
  } else {
    powmod_lanes_scalar(bases, exps, moduli, out, n);
  }
}

void pow2mod_many(const arith_state_t& m, const std::uint64_t* exps, std::uint64_t* out,
                  std::size_t n) {
  if (avx2_takes(m.globalp[0])) {
    pow2mod_many_avx2(m, exps, out, n);
  } else {
    pow2mod_many_scalar(m, exps, out, n);
  }
}

void inverse_pow2_lanes(const std::uint64_t* primes, std::uint64_t e, std::uint64_t* out,
                        std::size_t count) {
  switch (active_variant) {
    case arith_variant::avx2:
      inverse_pow2_lanes_avx2(primes, e, out, count);
      return;
    case arith_variant::scalar:
      break;
  }
  inverse_pow2_lanes_scalar(primes, e, out, count);
}

void halving_near_zero_lanes(const std::uint64_t* primes, const std::uint64_t* starts,
                             std::size_t count, std::uint64_t steps, std::uint64_t bound,
                             std::uint8_t* flags) {
  switch (active_variant) {
    case arith_variant::avx2:
      halving_near_zero_lanes_avx2(primes, starts, count, steps, bound, flags);
      return;
    case arith_variant::scalar:
      break;
  }
  halving_near_zero_lanes_scalar(primes, starts, count, steps, bound, flags);
}

void pow2_keys_4lanes(const std::uint64_t* primes, std::uint32_t length, std::size_t stride,
                      std::uint32_t* keys, std::uint32_t* keys_plus, std::uint32_t* orders) {
  switch (active_variant) {
    case arith_variant::avx2:
      pow2_keys_4lanes_avx2(primes, length, stride, keys, keys_plus, orders);
      return;
    case arith_variant::scalar:
      break;
  }
  pow2_keys_4lanes_scalar(primes, length, stride, keys, keys_plus, orders);
}

void geometric_mod_p(const arith_state_t& m, std::uint64_t start, std::uint64_t ratio,
                     std::size_t count, std::uint64_t* out) {
  if (avx2_takes(m.globalp[0])) {
    geometric_mod_p_avx2(m, start, ratio, count, out);
  } else {
    geometric_mod_p_scalar(m, start, ratio, count, out);
  }
}

void geometric_powers(const arith_state_t& m, std::uint64_t ratio, std::size_t count,
                      geometric_powers_t& powers) {
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
  if (avx2_takes(m.globalp[0])) {
    geometric_scaled_avx2(m, start, powers, count, out);
  } else {
    geometric_scaled_scalar(m, start, powers, count, out);
  }
}

}  // namespace quorvel
