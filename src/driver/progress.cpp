// Progress lines. They are formed only at saves, never per prime.
#include "driver/progress.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "krange/krange.hpp"
#include "nearmersenne/nearmersenne.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

progress_text format_progress(std::uint64_t p, std::uint32_t rate, const std::string& suffix) {
  const std::string ps = std::to_string(p);
  const std::string rs = std::to_string(rate);
  return {"p = " + ps + " @ " + (rate != 0 ? rs : "???") + "kp/s" + suffix,
          "pmin=" + ps + " @ " + rs + " kp/s" + suffix};
}

std::optional<std::uint64_t> numbers_left() {
  switch (mode) {
    case mode_krange:
    case mode_krangetwin:
      return krange_numbers_left();
    case mode_nearmersenne:
      return nm_candidates;
    default:
      return std::nullopt;
  }
}

std::string numbers_left_suffix(std::optional<std::uint64_t> left) {
  return left ? ". " + std::to_string(*left) + " numbers left." : "";
}

std::string format_done(std::uint64_t p, std::uint64_t start, std::uint64_t pmax) {
  // Both differences are below 2^62: the product is formed in 128 bits.
  std::uint64_t permille = 0;
  if (p > start && pmax > start) {
    permille = static_cast<std::uint64_t>(
        static_cast<unsigned __int128>(std::min(p, pmax) - start) * 1000 / (pmax - start));
  }
  return ", " + std::to_string(permille / 10) + "." + std::to_string(permille % 10) + "% done";
}

std::string format_eta(std::optional<std::time_t> eta) {
  if (!eta) return ", ETA ???";
  std::tm local{};
  char text[32];
  if (localtime_r(&*eta, &local) == nullptr ||
      std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local) == 0)
    return ", ETA ???";
  return std::string(", ETA ") + text;
}

std::optional<std::time_t> estimate_end(std::uint64_t dp, double seconds, std::uint64_t left,
                                        std::time_t now) {
  constexpr double century = 100 * 365.25 * 86400;
  if (seconds < eta_min_seconds || dp == 0) return std::nullopt;
  const double to_go = static_cast<double>(left) * seconds / static_cast<double>(dp);
  if (!(to_go <= century)) return std::nullopt;
  return now + static_cast<std::time_t>(std::llround(to_go));
}

std::string one_decimal(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%.1f", value);
  return text;
}

std::string format_factor_cost(std::uint64_t in_range, std::uint64_t since_last,
                               double cpu_since_last) {
  const std::string found =
      ", " + std::to_string(in_range) + (in_range == 1 ? " factor, " : " factors, ");
  if (since_last == 0) return found + ">" + one_decimal(cpu_since_last) + " s/factor";
  return found + one_decimal(cpu_since_last / static_cast<double>(since_last)) + " s/factor";
}

}  // namespace quorvel
