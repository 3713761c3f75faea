// A stand-in for src/db/factor_check.cpp, linked into a test build of the
// program (quorvel_refusing_check) in its place: every definition of
// db/factor_check.hpp is here, so the linker never takes the real ones. It
// answers from the test references, like the real check, except that every
// factor of the prime written in the file "refuse-p.txt" of the working
// directory (read once) is refused. This drives a false factor through the
// whole program, which a correct search never produces.
#include <cstdint>
#include <fstream>

#include "db/factor_check.hpp"
#include "reference/reference.hpp"

namespace quorvel {

namespace {

std::uint64_t refused_p() {
  static const std::uint64_t p = [] {
    std::uint64_t value = 0;
    std::ifstream("refuse-p.txt") >> value;
    return value;
  }();
  return p;
}

using ref::u128;

}  // namespace

bool divides_k2n(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign) {
  if (p < 2 || p == refused_p()) return false;
  const std::uint64_t v = ref::mulmod(k % p, ref::powmod(2, n, p), p);
  return (u128{v} + (sign > 0 ? 1 : p - 1)) % p == 0;
}

bool k2n_equals(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign) {
  return n < 64 && (u128{k} << n) + 1 == u128{p} + (sign > 0 ? 0 : 2);
}

bool is_factor_k2n(std::uint64_t p, std::uint64_t k, std::uint64_t n, int sign) {
  return divides_k2n(p, k, n, sign) && !k2n_equals(p, k, n, sign);
}

bool divides_near_mersenne(std::uint64_t p, std::uint64_t a, std::uint64_t b) {
  if (p < 2 || b >= a || p == refused_p()) return false;
  return (u128{ref::powmod(2, a, p)} + p + 1 - ref::powmod(2, b, p)) % p == 0;
}

bool near_mersenne_equals(std::uint64_t p, std::uint64_t a, std::uint64_t b) {
  return b < a && a < 64 && (u128{1} << a) - (u128{1} << b) + 1 == p;
}

bool is_factor_near_mersenne(std::uint64_t p, std::uint64_t a, std::uint64_t b) {
  return divides_near_mersenne(p, a, b) && !near_mersenne_equals(p, a, b);
}

}  // namespace quorvel
