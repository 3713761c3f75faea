// Running a power batch (see power_batch.hpp).
#include "search/power_batch.hpp"

namespace quorvel {

void power_batch_t::run() {
  long_offset_ = short_.n;
  out_.resize(long_offset_ + long_.n);
  if (short_.n != 0) short_.run(out_.data());
  if (long_.n != 0) long_.run(out_.data() + long_offset_);
}

}  // namespace quorvel
