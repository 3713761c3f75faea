// Process priority: nice value 20 - 10*priority for the own process, a
// refused raise passing silently.
#include "driver/start_up.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cerrno>

namespace quorvel {
namespace {

int own_nice() {
  errno = 0;
  const int value = getpriority(PRIO_PROCESS, 0);
  EXPECT_EQ(errno, 0);
  return value;
}

TEST(SetProcessPriority, IdleThenHighest) {
  // 0 asks for nice 20, which the system clamps to its weakest, 19; a
  // lowering of priority is always allowed.
  set_process_priority(0);
  EXPECT_EQ(own_nice(), 19);
  // 4 asks for nice -20: granted only with the privilege to raise priority,
  // otherwise refused without a trace.
  set_process_priority(4);
  const int after = own_nice();
  EXPECT_TRUE(after == -20 || after == 19) << after;
}

}  // namespace
}  // namespace quorvel
