// What striking the number of a verified factor from a candidate set did;
// shared by the candidate file (k table) and the k-range bitmaps.
#pragma once

namespace quorvel {

enum class strike_result {
  struck,        ///< it was a candidate and is gone now
  already_gone,  ///< it belongs to the set's range but is no candidate (any more)
  outside,       ///< its k or n lies outside what the set covers
  wrong_form,    ///< its sign is not one the set holds
};

}  // namespace quorvel
