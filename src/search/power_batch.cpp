// Running a power batch (see power_batch.hpp).
#include "search/power_batch.hpp"

namespace quorvel {

void power_batch_t::run() {
  short_offset_ = long_.base.size();
  out_.resize(short_offset_ + short_.base.size());
  if (!long_.base.empty()) long_.run(out_.data());
  if (!short_.base.empty()) short_.run(out_.data() + short_offset_);
}

}  // namespace quorvel
