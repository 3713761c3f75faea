// The AVX2+FMA versions of the batch kernels (batch.hpp), on integer-valued
// doubles: exact for p below fp_balanced_limit (lazy residues below
// fp_lazy_limit, balanced ones above; a single-modulus kernel picks by its
// p, the lanes kernel as told). Only call them when the processor supports
// AVX2 and FMA, and, but for powmod_lanes_avx2, p is below
// fp_balanced_limit (batch_dispatch.cpp checks).
#pragma once

#include <cstddef>
#include <cstdint>

#include "arith/batch.hpp"
#include "quorvel/arith_state.hpp"

namespace quorvel {

__attribute__((target("avx2,fma"))) void powmod_many_avx2(const arith_state_t& mod,
                                                          const std::uint64_t* bases,
                                                          const std::uint64_t* exps,
                                                          std::uint64_t* out, std::size_t n);
__attribute__((target("avx2,fma"))) void pow2mod_many_avx2(const arith_state_t& mod,
                                                           const std::uint64_t* exps,
                                                           std::uint64_t* out, std::size_t n);
/// Takes moduli of every size: each group of lanes runs in the family its
/// largest modulus needs (the integer kernels at and above
/// fp_balanced_limit).
__attribute__((target("avx2,fma"))) void powmod_lanes_avx2(const std::uint64_t* bases,
                                                           const std::uint64_t* exps,
                                                           const arith_state_t* const* moduli,
                                                           std::uint64_t* out, std::size_t n);
__attribute__((target("avx2,fma"))) void inverse_pow2_lanes_avx2(const std::uint64_t* primes,
                                                                 std::uint64_t e,
                                                                 std::uint64_t* out,
                                                                 std::size_t count);
__attribute__((target("avx2,fma"))) void pow2_keys_4lanes_avx2(const std::uint64_t* primes,
                                                               std::uint32_t length,
                                                               std::size_t stride,
                                                               std::uint32_t* keys,
                                                               std::uint32_t* keys_plus,
                                                               std::uint32_t* orders);
__attribute__((target("avx2,fma"))) void halving_near_zero_lanes_avx2(
    const std::uint64_t* primes, const std::uint64_t* starts, std::size_t count,
    std::uint64_t steps, std::uint64_t bound, std::uint8_t* flags);
__attribute__((target("avx2,fma"))) void geometric_mod_p_avx2(const arith_state_t& mod,
                                                              std::uint64_t start,
                                                              std::uint64_t ratio,
                                                              std::size_t count,
                                                              std::uint64_t* out);

__attribute__((target("avx2,fma"))) void geometric_scaled_avx2(const arith_state_t& mod,
                                                               std::uint64_t start,
                                                               const geometric_powers_t& powers,
                                                               std::size_t count,
                                                               std::uint64_t* out);

}  // namespace quorvel
