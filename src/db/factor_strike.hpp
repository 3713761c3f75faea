// Striking the candidate of a verified factor line from the k table: what
// applying factor files and resuming a range with -u do to the n lists, the
// same removal the factor report makes with -u.
#pragma once

#include "db/factor_line.hpp"
#include "db/strike_result.hpp"

namespace quorvel {

/// Removes n from the list of k when it is there (struck). Otherwise: a sign
/// other than the mode's (+1 Proth, -1 Riesel) is the wrong form; a k the
/// file does not hold, or an n outside nlow ... nhigh, is outside; any other
/// n is already gone. The factor must have been checked by the caller.
strike_result strike_from_ktable(const factor_line_t& f);

}  // namespace quorvel
