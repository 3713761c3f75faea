// The console questions of the program: whether to clear a status file, and
// the entry of a range in billions.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

namespace quorvel {

/// Asks whether to clear the status file and begin a new range; repeats on
/// any answer but y or n (one character, blanks skipped, either case). True
/// for yes; false for no (after "Exiting.") and when the input has ended
/// (after a line saying so).
bool ask_clear_zelstatus_dat(std::istream& in, std::ostream& out);

/// Asks for pmin and pmax in billions; the "Sieve to" question repeats while
/// pmax <= pmin. False (after one line saying why) when the input ends or an
/// answer is not a whole number; pmin and pmax are then undefined.
bool ask_pmin_pmax(std::istream& in, std::ostream& out, std::uint64_t& pmin, std::uint64_t& pmax);

}  // namespace quorvel
