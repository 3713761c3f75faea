// Search set-up, once per run after the candidate file is read: the Jacobi
// bitmaps behind the quadratic-residue screen and the standard-set shortcut.
//
// The screen of a k with alegk = L != 0 rests on the candidate file holding
// only n for which 3 does not divide k*2^n+-1: for k not divisible by 3 those
// n all have one parity, and a prime can then divide a candidate only if L is
// a quadratic residue. The screen is switched off (alegk = 0) where it cannot
// be evaluated or does not hold: k >= 1,000,000 (no bitmap), even k (the
// reciprocity step needs an odd k), and a k whose n list holds an n of the
// other parity (a file that was not sieved by 3).
#include <algorithm>
#include <array>
#include <cstdio>

#include "arith/number_theory.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "search/period_classes.hpp"
#include "search/residue_screen.hpp"
#include "search/search.hpp"

namespace quorvel {

std::array<double, max_k> ak_reciprocal{};
std::array<divisor_t, max_k> ak_divisor{};

namespace {

/// Largest k that gets a Jacobi bitmap.
constexpr std::int32_t jacobi_bitmap_limit = 999999;

struct standard_row_t {
  std::int32_t k;
  std::uint32_t equiv;
  std::uint32_t power;
};

constexpr std::array<standard_row_t, 11> standard_set = {{{4847, 15, 24},
                                                          {10223, 5, 12},
                                                          {19249, 14, 36},
                                                          {21181, 20, 24},
                                                          {22699, 46, 72},
                                                          {24737, 7, 24},
                                                          {27653, 33, 36},
                                                          {28433, 1, 24},
                                                          {33661, 0, 24},
                                                          {55459, 10, 12},
                                                          {67607, 3, 8}}};

/// The parity every n of k must have once 3 has struck its candidates:
/// 0 even, 1 odd.
std::uint32_t screened_parity(std::int32_t k) {
  const bool k_is_1_mod_3 = k % 3 == 1;
  if (mode == mode_proth) return k_is_1_mod_3 ? 0 : 1;
  return k_is_1_mod_3 ? 1 : 0;
}

bool all_n_have_parity(const std::vector<std::uint32_t>& ns, std::uint32_t parity) {
  for (std::uint32_t n : ns)
    if ((n & 1) != parity) return false;
  return true;
}

/// Bit m set when (m/k) = +1, 1 <= m < k. With k = prod q^e, (m/k) is the
/// product of the Legendre symbols (m/q)^e: 0 when some q divides m, else
/// -1 to the number of q with odd e of which m is a non-residue. Each q gets
/// a table of its non-residues (the squares marked from (x+1)^2 = x^2 + 2x + 1,
/// no division), and m walks up with a running residue per q.
void build_jacobi_bitmap(std::uint32_t i) {
  const std::uint32_t k = static_cast<std::uint32_t>(ak[i]);
  std::vector<std::uint8_t>& bits = akjacobi[i];
  bits.assign((k + 7) / 8, 0);
  // (t/1) = +1 for every t: for k = 1 the one residue class t = 0 counts.
  if (k == 1) {
    bits[0] = 1;
    return;
  }
  struct prime_part_t {
    std::uint32_t q;
    bool odd;                          // odd exponent: its symbol counts
    std::vector<std::uint8_t> nonres;  // 1 for the non-residues modulo q
    std::uint32_t r = 0;               // m mod q
  };
  std::vector<prime_part_t> parts;
  std::uint32_t rest = k;  // odd
  auto take = [&](std::uint32_t q) {
    std::uint32_t e = 0;
    while (rest % q == 0) {
      rest /= q;
      ++e;
    }
    prime_part_t part{q, (e & 1) != 0, std::vector<std::uint8_t>(q, 1)};
    part.nonres[0] = 0;
    std::uint64_t square = 1;  // x^2 mod q for x = 1, 2, ...
    for (std::uint64_t x = 1; 2 * x < q; ++x) {
      part.nonres[square] = 0;
      square += 2 * x + 1;
      while (square >= q) square -= q;
    }
    parts.push_back(std::move(part));
  };
  for (std::uint32_t q = 3; std::uint64_t{q} * q <= rest; q += 2)
    if (rest % q == 0) take(q);
  if (rest > 1) take(rest);
  for (std::uint32_t m = 1; m < k; ++m) {
    bool zero = false;
    std::uint8_t negative = 0;
    for (prime_part_t& part : parts) {
      if (++part.r == part.q) part.r = 0;
      zero |= part.r == 0;
      negative ^= part.odd ? part.nonres[part.r] : 0;
    }
    // Set without a branch: the symbol's sign follows no pattern.
    bits[m / 8] |=
        static_cast<std::uint8_t>(static_cast<unsigned>(!zero & (negative == 0)) << (m % 8));
  }
}

void check_standard_set() {
  standard_kpowers = false;
  if (mode != mode_proth || num_k != standard_set.size()) return;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    const standard_row_t& row = standard_set[i];
    if (ak[i] != row.k || akequiv[i] != row.equiv || akpower[i] != row.power) return;
  }
  standard_kpowers = true;
  for (std::uint32_t i = 0; i < num_k; ++i) {
    const std::uint64_t k = static_cast<std::uint64_t>(ak[i]);
    const std::uint32_t a = akequiv[i];
    if (a <= 23)
      ak2powa[i] = {k << a, 0};
    else
      ak2powa[i] = {k << 23, std::uint64_t{1} << (a - 23)};
  }
}

}  // namespace

bool initialize_proth_riesel() {
  if (verbose != 0) {
    std::printf("Initializing jacobi symbols...");
    std::fflush(stdout);
  }
  for (std::uint32_t i = 0; i < num_k; ++i) {
    akjacobi[i].clear();
    const std::int32_t k = ak[i];
    if (k > jacobi_bitmap_limit || k % 2 == 0) {
      alegk[i] = 0;
      continue;
    }
    if (alegk[i] != 0 && !all_n_have_parity(aunfacset[i], screened_parity(k))) alegk[i] = 0;
    build_jacobi_bitmap(i);
    ak_reciprocal[i] = 1.0 / static_cast<double>(k);
    ak_divisor[i] = divisor_t(static_cast<std::uint64_t>(k));
  }
  if (verbose != 0) std::printf(" Done\n");
  std::fflush(stdout);
  check_standard_set();
  build_period_classes();
  return true;
}

}  // namespace quorvel
