// Progress saves: every -i distance in p the driver shows the prime reached
// and the sieving rate, and appends the same to the status file so that an
// interrupted range can resume from there. The console line goes on with
// the part of the range done and the estimated time of its end, and with -v
// with the factors found and what they cost; the status-file line keeps its
// form, which resuming runs and scripts read.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace quorvel {

/// The two lines of a save (without their ends of line): console
/// "p = P @ Rkp/s" (R "???" while the rate is 0) and status file
/// "pmin=P @ R kp/s" (R "0" while the rate is 0), each followed by `suffix`.
struct progress_text {
  std::string console;
  std::string status;
};
progress_text format_progress(std::uint64_t p, std::uint32_t rate, const std::string& suffix);

/// The candidates still standing in the k-range and near-Mersenne modes;
/// none in Proth and Riesel mode.
std::optional<std::uint64_t> numbers_left();

/// ". C numbers left." for a count, "" for none.
std::string numbers_left_suffix(std::optional<std::uint64_t> left);

/// ", D% done": the part of start < p <= pmax reached at p, in tenths of a
/// per cent, truncated (so 100.0% only at pmax itself).
std::string format_done(std::uint64_t p, std::uint64_t start, std::uint64_t pmax);

/// ", ETA YYYY-MM-DD HH:MM" in local time, or ", ETA ???" without an estimate.
std::string format_eta(std::optional<std::time_t> eta);

/// The end of the range estimated from the rate over a recent stretch: `dp`
/// of p in `seconds` of wall time, `left` of p still to go, from `now`. None
/// while the stretch is shorter than eta_min_seconds, when p did not move,
/// or when the end lies more than a century ahead.
std::optional<std::time_t> estimate_end(std::uint64_t dp, double seconds, std::uint64_t left,
                                        std::time_t now);

/// Wall seconds of the stretch the estimate of the end is taken over.
inline constexpr double eta_window_seconds = 300;
/// Shortest stretch that gives an estimate.
inline constexpr double eta_min_seconds = 10;

/// ", F factor(s), S s/factor" with -v: F factors found so far in the range;
/// S the processor seconds since the previous save divided by the factors
/// found since then, or ">C s/factor" when none was found in those C
/// seconds (the next factor costs more than that).
std::string format_factor_cost(std::uint64_t in_range, std::uint64_t since_last,
                               double cpu_since_last);

/// A number with one decimal (rounded), as the progress and stop lines show it.
std::string one_decimal(double value);

}  // namespace quorvel
