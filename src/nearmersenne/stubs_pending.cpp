// Placeholders until the near-Mersenne mode is built; this file is deleted then.
#include <cstdlib>
#include <cstdio>

#include "nearmersenne/nearmersenne.hpp"

namespace quorvel {
[[noreturn]] static void pending(const char* what) {
  std::printf("%s is not built yet\n", what);
  std::exit(1);
}
std::uint64_t nm_candidates = 0;
int nm_initialize() { pending("nearmersenne"); }
void nm_do_p(std::uint64_t) { pending("nearmersenne"); }
void nm_writedat(const std::string&, std::uint64_t) { pending("nearmersenne"); }
}  // namespace quorvel
