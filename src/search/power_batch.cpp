// Running a power batch (see power_batch.hpp).
#include "search/power_batch.hpp"

namespace quorvel {

void power_batch_t::run() {
  short_offset_ = long_.n;
  out_.resize(short_offset_ + short_.n);
  if (long_.n != 0) long_.run(out_.data());
  if (short_.n != 0) short_.run(out_.data() + short_offset_);
}

}  // namespace quorvel
