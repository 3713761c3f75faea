// The choice of moduli is greedy in file order: for each k every multiplier
// m = 1 .. 49 is tried; m qualifies when the n of the k fall into at most 10
// classes modulo M = m*P and the lcm of the moduli chosen so far with M stays
// within max_period_lcm; the qualifying m with the best saving m / classes
// wins (ties keep the smaller m). A k with no n, or any k once the lcm of the
// periods alone passes the bound, keeps m = 1.
//
// Counting classes needs a table of M bytes only for a qualifying M, which is
// at most max_period_lcm; the count stops as soon as it is final (m classes,
// the most the n can occupy since they all agree modulo P) or too many (11).
#include "db/residue_analysis.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>
#include <string>
#include <vector>

#include "db/console_line.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

namespace {

std::string format_g(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

/// Distinct values of n mod M over the list, counted up to `cap`.
std::uint32_t count_classes(const std::vector<std::uint32_t>& list, std::uint32_t modulus,
                            std::uint32_t cap, std::vector<std::uint8_t>& seen) {
  std::fill_n(seen.begin(), modulus, std::uint8_t{0});
  std::uint32_t count = 0;
  for (const std::uint32_t n : list) {
    std::uint8_t& mark = seen[n % modulus];
    if (mark) continue;
    mark = 1;
    if (++count == cap) break;
  }
  return count;
}

/// Multiplier of the k at index j (and prints the steps of its choice).
std::uint32_t choose_multiplier(std::uint32_t j, std::uint32_t period, const wide_uint& kmodlcm,
                                bool print, std::vector<std::uint8_t>& seen) {
  const auto& list = aunfacset[j];
  std::uint32_t best_m = 1;
  if (list.empty() || !wide_at_most(kmodlcm, max_period_lcm)) return best_m;
  const std::uint64_t current = wide_low64(kmodlcm);
  double best_ratio = 0.0;
  for (std::uint32_t m = 1; m <= max_multiplier; ++m) {
    const std::uint64_t modulus = std::uint64_t{m} * period;
    const std::uint64_t lcm = current / std::gcd(current, modulus) * modulus;
    if (lcm > max_period_lcm) continue;
    const std::uint32_t classes = count_classes(list, static_cast<std::uint32_t>(modulus),
                                                std::min(m, max_classes + 1), seen);
    if (classes > max_classes) continue;
    const double ratio = static_cast<double>(m) / classes;
    if (!(ratio > best_ratio + 1e-10)) continue;
    if (print) {
      print_line("k: " + std::to_string(ak[j]) + " a: " + std::to_string(modulus) + "(" +
                 std::to_string(m) + "*" + std::to_string(period) +
                 ") : " + std::to_string(classes) + " diff. a/diff: " +
                 format_g(static_cast<double>(modulus) / classes) + " factor: " + format_g(ratio));
    }
    best_ratio = ratio;
    best_m = m;
  }
  return best_m;
}

/// The distinct n mod M of index j into its row, ascending.
void fill_classes(std::uint32_t j, std::uint32_t modulus, residue_tables& t) {
  std::uint32_t* const row = &t.akares[std::size_t{j} * max_classes];
  std::uint32_t& count = t.aknres[j];
  for (const std::uint32_t n : aunfacset[j]) {
    const std::uint32_t r = n % modulus;
    if (std::find(row, row + count, r) == row + count && count < max_classes) row[count++] = r;
  }
  std::sort(row, row + count);
}

}  // namespace

residue_tables analyse_residues(const period_table& power, bool print) {
  residue_tables t;
  t.kpowerlcm = wide_from(1);
  for (std::uint32_t j = 0; j < num_k; ++j) wide_lcm(t.kpowerlcm, power[j]);
  t.kmodlcm = t.kpowerlcm;

  std::vector<std::uint8_t> seen(max_period_lcm);
  for (std::uint32_t j = 0; j < num_k; ++j) {
    const std::uint32_t m = choose_multiplier(j, power[j], t.kmodlcm, print, seen);
    if (print) print_line("");
    // m > 1 only when m*P fits the lcm bound, so the modulus fits in 32 bits.
    const std::uint32_t modulus = m * power[j];
    t.akmod[j] = modulus;
    wide_lcm(t.kmodlcm, modulus);
  }

  for (std::uint32_t j = 0; j < num_k; ++j) {
    fill_classes(j, t.akmod[j], t);
    if (print) {
      std::string line = std::to_string(ak[j]) + ": mod " + std::to_string(t.akmod[j]) + ":";
      for (std::uint32_t i = 0; i < t.aknres[j]; ++i) {
        line += ' ';  // appended apart: g++ 12 warns wrongly on " " + std::string
        line += std::to_string(t.akares[std::size_t{j} * max_classes + i]);
      }
      print_line(line);
    }
  }

  // The largest multiple of kmodlcm not above sqrt(nhigh - nlow), at least
  // kmodlcm itself. The difference is taken in 32 bits.
  const std::uint32_t span = nhigh - nlow;
  const auto root = static_cast<std::uint32_t>(std::sqrt(static_cast<long double>(span)));
  t.regular_grange = t.kmodlcm;
  if (wide_at_most(t.kmodlcm, root)) {
    const std::uint32_t q = root / static_cast<std::uint32_t>(wide_low64(t.kmodlcm));
    if (q > 1) wide_mul(t.regular_grange, q);
  }

  if (print) {
    print_line("kpowerlcm: " + wide_to_string(t.kpowerlcm));
    print_line("kmodlcm: " + wide_to_string(t.kmodlcm));
    print_line("grange: " + wide_to_string(t.regular_grange));
    print_line("");
  }
  return t;
}

period_table effective_periods(const period_table& power) {
  period_table eff{};
  std::uint64_t running = 1;
  for (std::uint32_t j = 0; j < num_k; ++j) {
    // lcm(running, d) <= bound needs d <= bound, so only such d are tried.
    std::uint32_t d = std::min(power[j], max_period_lcm);
    for (; d > 1; --d) {
      if (power[j] % d == 0 && running / std::gcd(running, std::uint64_t{d}) * d <= max_period_lcm)
        break;
    }
    eff[j] = d;
    running = running / std::gcd(running, std::uint64_t{d}) * d;
  }
  return eff;
}

}  // namespace quorvel
