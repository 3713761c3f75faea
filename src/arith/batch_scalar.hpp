// The portable versions of the batch kernels (batch.hpp), on the scalar
// integer kernels of mulmod.hpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "arith/batch.hpp"
#include "quorvel/arith_state.hpp"

namespace quorvel {

void powmod_many_scalar(const arith_state_t& m, const std::uint64_t* bases,
                        const std::uint64_t* exps, std::uint64_t* out, std::size_t n);
void pow2mod_many_scalar(const arith_state_t& m, const std::uint64_t* exps, std::uint64_t* out,
                         std::size_t n);
void powmod_lanes_scalar(const std::uint64_t* bases, const std::uint64_t* exps,
                         const arith_state_t* const* moduli, std::uint64_t* out, std::size_t n);
void inverse_pow2_lanes_scalar(const std::uint64_t* primes, std::uint64_t e, std::uint64_t* out,
                               std::size_t count);
void halving_near_zero_lanes_scalar(const std::uint64_t* primes, const std::uint64_t* starts,
                                    std::size_t count, std::uint64_t steps, std::uint64_t bound,
                                    std::uint8_t* flags);
void pow2_keys_4lanes_scalar(const std::uint64_t* primes, std::uint32_t length,
                             std::size_t stride, std::uint32_t* keys, std::uint32_t* keys_plus,
                             std::uint32_t* orders);
/// The order of 2 modulo p if it is at most length, else 0, by doubling.
std::uint32_t pow2_order_up_to(std::uint64_t p, std::uint32_t length);
void geometric_mod_p_scalar(const arith_state_t& m, std::uint64_t start, std::uint64_t ratio,
                            std::size_t count, std::uint64_t* out);

void geometric_scaled_scalar(const arith_state_t& m, std::uint64_t start,
                             const geometric_powers_t& powers, std::size_t count,
                             std::uint64_t* out);

}  // namespace quorvel
