// Candidate sets for the search tests: n lists per k, written in the reader's
// format, with helpers that plant known factors so that a short p range is
// sure to hold some. Every file made here holds only n for which 3 does not
// divide k*2^n+-1, as a sieved candidate file does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "reference/dlog_reference.hpp"
#include "reference/reference.hpp"

namespace quorvel::test {

struct Candidates {
  int sign = +1;  ///< +1 Proth, -1 Riesel
  std::uint32_t nlow = 0, nhigh = 0;
  std::vector<std::int64_t> ks;
  std::vector<std::set<std::uint32_t>> ns;

  std::size_t add_k(std::int64_t k) {
    ks.push_back(k);
    ns.emplace_back();
    return ks.size() - 1;
  }
  /// Adds n to k index j unless 3 divides the number.
  bool add_n(std::size_t j, std::uint64_t n) {
    if (n > 0xFFFFFFFFull || three_divides(ks[j], static_cast<std::uint32_t>(n))) return false;
    ns[j].insert(static_cast<std::uint32_t>(n));
    return true;
  }
  bool three_divides(std::int64_t k, std::uint32_t n) const {
    const std::int64_t v = (k % 3) * (n % 2 == 0 ? 1 : 2) + sign;
    return ((v % 3) + 3) % 3 == 0;
  }
  std::vector<std::vector<std::uint32_t>> lists() const {
    std::vector<std::vector<std::uint32_t>> out;
    for (const auto& s : ns) out.emplace_back(s.begin(), s.end());
    return out;
  }
  std::size_t size() const {
    std::size_t c = 0;
    for (const auto& s : ns) c += s.size();
    return c;
  }
  /// The file text: header, then per k "k=K", the first n absolute and the
  /// rest as "+delta".
  std::string text() const {
    std::string out = std::to_string(ks.size()) + "\n" + std::to_string(nlow) + "\n" +
                      std::to_string(nhigh) + "\n";
    for (std::size_t j = 0; j < ks.size(); ++j) {
      out += "k=" + std::to_string(ks[j]) + "\n";
      std::uint32_t prev = 0;
      bool first = true;
      for (std::uint32_t n : ns[j]) {
        if (!first) out += '+';
        out += std::to_string(first ? n : n - prev);
        out += '\n';
        first = false;
        prev = n;
      }
    }
    return out;
  }
};

/// Plants factors for a fixed k: for the first primes p >= from (at most
/// `count` of them that give one), the n in [nlow, nhigh] with
/// p | k*2^n+-1 that also satisfy `accept`; returns how many n were added.
template <typename Accept>
int plant_by_log(Candidates& c, std::size_t j, std::uint64_t from, std::uint64_t to, int count,
                 Accept accept) {
  int planted = 0, primes_used = 0;
  for (std::uint64_t p : ref::primes_between(from, to)) {
    bool used = false;
    for (std::uint64_t n : ref::solutions_in(static_cast<std::uint64_t>(c.ks[j]), c.sign, p, c.nlow,
                                             c.nhigh)) {
      if (accept(n) && c.add_n(j, n)) {
        ++planted;
        used = true;
      }
    }
    if (used && ++primes_used == count) break;
  }
  return planted;
}

/// Plants factors of prime p by choosing k: walks n upward from `n_from` and
/// takes every n where k = -2^-n (Proth) or 2^-n (Riesel) mod p is an odd
/// number below `kmax` (and above 1), until `count` pairs are found. Adds a
/// new k for each. Returns the number of pairs added.
inline int plant_by_k(Candidates& c, std::uint64_t p, std::uint64_t n_from, std::uint64_t n_to,
                      std::uint64_t kmax, int count) {
  const std::uint64_t half = (p + 1) / 2;
  std::uint64_t r = ref::powmod(half, n_from, p);  // 2^-n
  int found = 0;
  for (std::uint64_t n = n_from; n <= n_to && found < count; ++n, r = ref::mulmod(r, half, p)) {
    const std::uint64_t k = c.sign > 0 ? p - r : r;
    if (k >= kmax || k < 3 || k % 2 == 0) continue;
    if (c.three_divides(static_cast<std::int64_t>(k), static_cast<std::uint32_t>(n))) continue;
    if (ref::equals_prime(static_cast<std::int64_t>(k), static_cast<std::uint32_t>(n), c.sign, p))
      continue;
    bool known = false;
    for (std::int64_t existing : c.ks) known |= existing == static_cast<std::int64_t>(k);
    if (known) continue;
    const std::size_t j = c.add_k(static_cast<std::int64_t>(k));
    c.add_n(j, n);
    ++found;
  }
  return found;
}

/// A factor line "p | k*2^n+1" split into its numbers; false when malformed.
struct ParsedFactor {
  std::uint64_t p = 0;
  std::int64_t k = 0;
  std::uint32_t n = 0;
  int sign = 0;
};
bool parse_factor_line(const std::string& line, ParsedFactor& out);

/// The lines of a text without their newlines.
std::vector<std::string> split_lines(const std::string& text);

}  // namespace quorvel::test
