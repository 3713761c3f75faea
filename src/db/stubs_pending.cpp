// Placeholders until the candidate database is built; this file is deleted then.
#include <cstdlib>
#include <cstdio>

#include "db/candidate_file.hpp"
#include "db/factor_report.hpp"

namespace quorvel {
[[noreturn]] static void pending(const char* what) {
  std::printf("%s is not built yet\n", what);
  std::exit(1);
}
std::uint32_t toint32(const std::string&) { pending("toint32"); }
bool read_db(const std::string&) { pending("read_db"); }
bool dump_db(const std::string&) { pending("dump_db"); }
bool write_npg(const std::string&, std::uint64_t) { pending("write_npg"); }
void output_factor(std::uint64_t, std::uint32_t, std::uint32_t, std::uint64_t) { pending("output_factor"); }
}  // namespace quorvel
