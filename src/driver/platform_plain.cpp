// The plain platform: a console program on its own.
#include "driver/platform.hpp"

namespace quorvel {

platform_hooks start_platform() { return platform_hooks{}; }

int finish_platform(int status) { return status; }

}  // namespace quorvel
