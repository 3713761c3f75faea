// Helpers of the run-control end-to-end tests: running the built program in
// a scratch directory, the documented fixed console texts, masking of the
// two statistics lines that show processor time and of the estimated end of
// a range (it follows the real clock), and the expected statistics block,
// save points and console lines of a sieved range.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "reference/reference.hpp"
#include "support/test_support.hpp"

namespace quorvel::e2e {

inline const std::string banner =
    "quorvel v0.42\n"
    "Sieve for k*2^n+-1, k-range and near-Mersenne numbers - the quorvel developers\n";

inline std::string mode_lines(const std::string& mode_name) {
  return "Using " + mode_name + " mode\nUsing CMOV optimizations\nUsing SSE2 optimizations\n";
}

inline bool all_digits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

/// The estimated end in a progress line, ", ETA YYYY-MM-DD HH:MM" or
/// ", ETA ???", replaced by ", ETA #".
inline std::string mask_eta(std::string line) {
  const std::string eta = ", ETA ";
  const std::size_t at = line.find(eta);
  if (at == std::string::npos || line.rfind("p = ", 0) != 0) return line;
  const std::size_t from = at + eta.size();
  std::size_t to = from;
  if (line.compare(from, 3, "???") == 0) {
    to = from + 3;
  } else {
    const std::string digits = "0000-00-00 00:00";
    while (to - from < digits.size() && to < line.size() &&
           (digits[to - from] == '0' ? std::isdigit(static_cast<unsigned char>(line[to])) != 0
                                     : line[to] == digits[to - from]))
      ++to;
    if (to - from != digits.size()) return line;
  }
  return line.substr(0, from) + "#" + line.substr(to);
}

/// The part of a range done at p, as the progress line shows it after the
/// rate (and the numbers left), with the estimated end masked: ", D% done,
/// ETA #", D in tenths of a per cent, truncated.
inline std::string done_part(std::uint64_t p, std::uint64_t start, std::uint64_t pmax) {
  const std::uint64_t tenths = (p - start) * 1000 / (pmax - start);
  return ", " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "% done, ETA #";
}

/// Replaces the number of every whole line "Total time: N ms." by "#", of
/// every line "Nkp/s." by "#", and, with `mask_whacked`, of the two
/// "# Whacked" counter lines (their values belong to the search filters);
/// and the estimated end of every progress line (mask_eta).
inline std::string mask_varying(const std::string& text, bool mask_whacked = false) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    const bool has_newline = end != std::string::npos;
    if (!has_newline) end = text.size();
    std::string line = mask_eta(text.substr(pos, end - pos));
    const std::string tt = "Total time: ", ms = " ms.", kps = "kp/s.";
    if (line.rfind(tt, 0) == 0 && line.size() > tt.size() + ms.size() &&
        line.compare(line.size() - ms.size(), ms.size(), ms) == 0 &&
        all_digits(line.substr(tt.size(), line.size() - tt.size() - ms.size()))) {
      line = tt + "#" + ms;
    } else if (line.size() > kps.size() &&
               line.compare(line.size() - kps.size(), kps.size(), kps) == 0 &&
               all_digits(line.substr(0, line.size() - kps.size()))) {
      line = "#" + kps;
    } else if (mask_whacked) {
      for (const std::string label : {"# Whacked k : ", "# Whacked p : "}) {
        if (line.rfind(label, 0) == 0 && all_digits(line.substr(label.size()))) line = label + "#";
      }
    }
    out += line;
    if (has_newline) out += '\n';
    pos = end + 1;
  }
  return out;
}

/// The statistics block (masked as by mask_varying) of a range: the console
/// form without the counters unless `with_counters`, the file form with them.
inline std::string stats_block(std::uint64_t pmin, std::uint64_t pmax, std::uint64_t testedp,
                               std::uint64_t num_k, bool with_counters,
                               const std::string& whackedk = "0",
                               const std::string& whackedp = "0") {
  std::string s = "\nStatistics:\npmin        : " + std::to_string(pmin) +
                  "\npmax        : " + std::to_string(pmax) + "\n";
  if (with_counters) {
    s += "# Tested p  : " + std::to_string(testedp) +
         "\n# Tested k  : " + std::to_string(num_k * testedp) + "\n# Whacked k : " + whackedk +
         "\n# Whacked p : " + whackedp + "\n";
  }
  return s + "Total time: # ms.\n#kp/s.\n";
}

/// The primes p with pmin < p <= pmax at which a progress save happens
/// with save distance `interval`, the first distance counted from pmin.
inline std::vector<std::uint64_t> save_points(const std::vector<std::uint64_t>& primes,
                                              std::uint64_t pmin, std::uint64_t interval) {
  std::vector<std::uint64_t> out;
  std::uint64_t last = pmin;
  for (std::uint64_t p : primes) {
    if (p - last >= interval) {
      out.push_back(p);
      last = p;
    }
  }
  return out;
}

using test::listing;

/// The console lines of the odd primes pmin < p <= pmax of a k-range or
/// near-Mersenne run: per prime what `apply(p)` returns (it also sieves p
/// from the reference run `run`), then at every save point the progress
/// line with rate text `rate`, the numbers `run` has left and the part of
/// the range done (estimated end masked). `tested` (when given) gets the
/// number of primes.
template <typename Ref, typename Apply>
std::string prime_lines(Ref& run, std::uint64_t pmin, std::uint64_t pmax, std::uint64_t interval,
                        const std::string& rate, Apply apply, std::uint64_t* tested = nullptr) {
  std::vector<std::uint64_t> primes = ref::primes_between(pmin + 1, pmax);
  std::erase(primes, 2);
  const std::vector<std::uint64_t> saves = save_points(primes, pmin, interval);
  std::string out;
  std::size_t next_save = 0;
  for (std::uint64_t p : primes) {
    out += apply(p);
    if (next_save < saves.size() && saves[next_save] == p) {
      out += "p = " + std::to_string(p) + " @ " + rate + "kp/s. " + std::to_string(run.left()) +
             " numbers left." + done_part(p, pmin, pmax) + "\n";
      ++next_save;
    }
  }
  if (tested != nullptr) *tested = primes.size();
  return out;
}

/// The rate of every progress line "p = P @ Rkp/s. C numbers left." replaced
/// by "#" when R is "???" (before the first window refill) or a number; the
/// estimated end masked as by mask_eta.
inline std::string mask_rates(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = mask_eta(text.substr(pos, end - pos));
    const std::size_t at = line.find(" @ "), unit = line.find("kp/s. ");
    if (line.rfind("p = ", 0) == 0 && at != std::string::npos && unit != std::string::npos &&
        unit > at + 3) {
      const std::string rate = line.substr(at + 3, unit - at - 3);
      // erase + insert of one character: g++ 12 warns wrongly on replace here.
      if (rate == "???" || all_digits(rate)) {
        line.erase(at + 3, rate.size());
        line.insert(at + 3, 1, '#');
      }
    }
    out += line;
    if (end < text.size()) out += '\n';
    pos = end + 1;
  }
  return out;
}

}  // namespace quorvel::e2e
