// Three patterns cover the primes 3 to 37: products 3*5*7*11*13 = 15015,
// 17*19*23 = 7429 and 29*31*37 = 33263 bits long. Pattern bit k is set when a
// prime of the group divides 2k + 1, so the window bit for the odd number
// 2(k0 + i) + 1 is pattern bit (k0 + i) mod P. Each pattern is stored with
// two spare words past its period so that any 64 bits starting below P can
// be read as one funnel shift of two neighbouring words.
#include "primes/presieve.hpp"

#include <array>
#include <cstdint>
#include <vector>

namespace quorvel::primes_detail {

namespace {

struct pattern {
  std::uint32_t period = 1;
  std::vector<std::uint64_t> bits;

  explicit pattern(std::initializer_list<std::uint32_t> primes) {
    for (std::uint32_t d : primes) period *= d;
    const std::uint32_t nbits = period + 128;
    bits.assign(nbits / 64 + 1, 0);
    for (std::uint32_t d : primes) {
      // 2k + 1 = d (k = (d - 1) / 2) is the first multiple; then every d-th k.
      for (std::uint32_t k = (d - 1) / 2; k < nbits; k += d) {
        bits[k >> 6] |= std::uint64_t{1} << (k & 63);
      }
    }
  }

  /// 64 pattern bits starting at bit b (b < period).
  std::uint64_t at(std::uint32_t b) const {
    const std::uint32_t w = b >> 6;
    const unsigned __int128 both = (static_cast<unsigned __int128>(bits[w + 1]) << 64) | bits[w];
    return static_cast<std::uint64_t>(both >> (b & 63));
  }
};

const std::array<pattern, 3>& patterns() {
  static const std::array<pattern, 3> all = {pattern{3, 5, 7, 11, 13}, pattern{17, 19, 23},
                                             pattern{29, 31, 37}};
  return all;
}

}  // namespace

void presieve_words(std::uint64_t* words, std::uint32_t nwords, std::uint64_t k0) {
  const auto& pats = patterns();
  const pattern& p0 = pats[0];
  const pattern& p1 = pats[1];
  const pattern& p2 = pats[2];
  std::uint32_t b0 = static_cast<std::uint32_t>(k0 % p0.period);
  std::uint32_t b1 = static_cast<std::uint32_t>(k0 % p1.period);
  std::uint32_t b2 = static_cast<std::uint32_t>(k0 % p2.period);
  for (std::uint32_t i = 0; i < nwords; ++i) {
    words[i] = p0.at(b0) | p1.at(b1) | p2.at(b2);
    b0 += 64;
    b0 -= b0 >= p0.period ? p0.period : 0;
    b1 += 64;
    b1 -= b1 >= p1.period ? p1.period : 0;
    b2 += 64;
    b2 -= b2 >= p2.period ? p2.period : 0;
  }
}

}  // namespace quorvel::primes_detail
