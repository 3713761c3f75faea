// Helpers of the run-control end-to-end tests: running the built program in
// a scratch directory, the documented fixed console texts, masking of the
// two statistics lines that show processor time, and the expected
// statistics block and progress lines.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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

/// Replaces the number of every whole line "Total time: N ms." by "#", of
/// every line "Nkp/s." by "#", and, with `mask_whacked`, of the two
/// "# Whacked" counter lines (their values belong to the search filters).
inline std::string mask_varying(const std::string& text, bool mask_whacked = false) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    const bool has_newline = end != std::string::npos;
    if (!has_newline) end = text.size();
    std::string line = text.substr(pos, end - pos);
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

/// Every entry of a directory, sorted, joined by blanks.
inline std::string listing(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : " ") + n;
  return out;
}

/// The rate of every progress line "p = P @ Rkp/s. C numbers left." replaced
/// by "#" when R is "???" (before the first window refill) or a number.
inline std::string mask_rates(const std::string& text) {
  std::string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    const std::size_t at = line.find(" @ "), unit = line.find("kp/s. ");
    if (line.rfind("p = ", 0) == 0 && at != std::string::npos && unit != std::string::npos &&
        unit > at + 3) {
      const std::string rate = line.substr(at + 3, unit - at - 3);
      if (rate == "???" || all_digits(rate)) line.replace(at + 3, rate.size(), "#");
    }
    out += line;
    if (end < text.size()) out += '\n';
    pos = end + 1;
  }
  return out;
}

}  // namespace quorvel::e2e
