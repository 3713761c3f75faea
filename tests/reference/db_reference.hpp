// Slow, plain references for the candidate database tests: the residue
// analysis of a candidate file done literally (128-bit integers, std::set
// for the residue classes, integer square roots, stream formatting of the
// doubles) and the effective periods by full factorisation. Nothing here
// shares code with src/db.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace quorvel::dbref {

using u128 = unsigned __int128;

inline u128 gcd128(u128 a, u128 b) {
  while (b != 0) {
    const u128 t = a % b;
    a = b;
    b = t;
  }
  return a;
}

inline u128 lcm128(u128 a, u128 b) { return a / gcd128(a, b) * b; }

inline std::string to_string128(u128 v) {
  if (v == 0) return "0";
  std::string s;
  while (v != 0) {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  }
  return s;
}

/// floor(sqrt(v)) by bisection.
inline std::uint64_t isqrt(std::uint64_t v) {
  std::uint64_t lo = 0, hi = 1ULL << 32;
  while (hi - lo > 1) {
    const std::uint64_t mid = (lo + hi) / 2;
    if (mid * mid <= v)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

struct record {
  std::int32_t k = 0;
  std::vector<std::uint32_t> n;  // strictly ascending
};

/// The period and residue the n list of a k shows: gcd of the differences,
/// or the single n itself (1 for a single 0 or no n), residue 0 then.
inline void list_period(const std::vector<std::uint32_t>& n, std::uint32_t& period,
                        std::uint32_t& residue) {
  std::uint64_t g = 0;
  for (std::size_t i = 1; i < n.size(); ++i) {
    std::uint64_t a = g, b = n[i] - n[i - 1];
    while (b != 0) {
      const std::uint64_t t = a % b;
      a = b;
      b = t;
    }
    g = a;
  }
  if (g != 0) {
    period = static_cast<std::uint32_t>(g);
    residue = n[0] % period;
  } else {
    period = (n.empty() || n[0] == 0) ? 1 : n[0];
    residue = 0;
  }
}

struct analysis {
  u128 kpowerlcm = 1, kmodlcm = 1, grange = 1;
  std::vector<u128> akmod;
  std::vector<std::vector<std::uint32_t>> rows;  // ascending classes per k
  std::string lines;                             // the -vv lines of the analysis
};

/// The analysis of the given lists with the given periods (which must
/// divide every difference of their k's n).
inline analysis analyse(const std::vector<record>& recs, std::uint32_t nlow, std::uint32_t nhigh,
                        const std::vector<std::uint32_t>& periods) {
  analysis a;
  std::ostringstream out;
  for (const std::uint32_t p : periods) a.kpowerlcm = lcm128(a.kpowerlcm, p);
  a.kmodlcm = a.kpowerlcm;
  for (std::size_t j = 0; j < recs.size(); ++j) {
    const u128 period = periods[j];
    double best_ratio = 0.0;
    unsigned best_m = 1;
    for (unsigned m = 1; m <= 49 && !recs[j].n.empty(); ++m) {
      const u128 modulus = period * m;
      const u128 lcm = a.kmodlcm * modulus / gcd128(a.kmodlcm, modulus);
      std::set<u128> classes;
      for (const std::uint32_t n : recs[j].n) classes.insert(n % modulus);
      const std::size_t c = classes.size();
      if (c > 10 || lcm > 20000) continue;
      const double ratio = static_cast<double>(m) / static_cast<double>(c);
      if (ratio > best_ratio + 1e-10) {
        out << "k: " << recs[j].k << " a: " << to_string128(modulus) << "(" << m << "*"
            << to_string128(period) << ") : " << c
            << " diff. a/diff: " << static_cast<double>(modulus) / static_cast<double>(c)
            << " factor: " << ratio << "\n";
        best_ratio = ratio;
        best_m = m;
      }
    }
    out << "\n";
    const u128 modulus = period * best_m;
    a.akmod.push_back(modulus);
    a.kmodlcm = lcm128(a.kmodlcm, modulus);
  }
  for (std::size_t j = 0; j < recs.size(); ++j) {
    std::set<std::uint32_t> classes;
    for (const std::uint32_t n : recs[j].n)
      classes.insert(static_cast<std::uint32_t>(n % a.akmod[j]));
    a.rows.emplace_back(classes.begin(), classes.end());
    out << recs[j].k << ": mod " << to_string128(a.akmod[j]) << ":";
    for (const std::uint32_t r : a.rows.back()) out << " " << r;
    out << "\n";
  }
  const std::uint64_t s = isqrt(static_cast<std::uint32_t>(nhigh - nlow));
  const u128 q = s / a.kmodlcm;
  a.grange = q <= 1 ? a.kmodlcm : q * a.kmodlcm;
  out << "kpowerlcm: " << to_string128(a.kpowerlcm) << "\nkmodlcm: " << to_string128(a.kmodlcm)
      << "\ngrange: " << to_string128(a.grange) << "\n\n";
  a.lines = out.str();
  return a;
}

/// All divisors of v > 0, from its factorisation by trial division.
inline std::vector<std::uint32_t> divisors(std::uint32_t v) {
  std::map<std::uint32_t, int> f;
  std::uint32_t rest = v;
  for (std::uint32_t q = 2; static_cast<std::uint64_t>(q) * q <= rest; ++q)
    while (rest % q == 0) {
      ++f[q];
      rest /= q;
    }
  if (rest > 1) ++f[rest];
  std::vector<std::uint32_t> out{1};
  for (const auto& [q, e] : f) {
    const std::size_t have = out.size();
    std::uint64_t pw = 1;
    for (int i = 0; i < e; ++i) {
      pw *= q;
      for (std::size_t t = 0; t < have; ++t) out.push_back(static_cast<std::uint32_t>(out[t] * pw));
    }
  }
  return out;
}

/// Per k in order: the largest divisor of its period keeping the running lcm
/// within 20000.
inline std::vector<std::uint32_t> effective_periods(const std::vector<std::uint32_t>& periods) {
  std::vector<std::uint32_t> eff;
  u128 running = 1;
  for (const std::uint32_t p : periods) {
    std::uint32_t best = 1;
    for (const std::uint32_t d : divisors(p))
      if (lcm128(running, d) <= 20000 && d > best) best = d;
    eff.push_back(best);
    running = lcm128(running, best);
  }
  return eff;
}

}  // namespace quorvel::dbref
