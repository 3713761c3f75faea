// The run configuration globals and the two text helpers of the command line.
#include "quorvel/config.hpp"

#include <cctype>

#include "quorvel/common.hpp"

namespace quorvel {

int mode = mode_proth;
int verbose = 0;
bool savezeldat = false;
bool writefulln = false;
bool outputdupes = true;
std::uint64_t search_pmin_floor = proth_pmin_floor;
std::uint32_t krange_klow = 0, krange_khigh = 0, krange_nlow = 0, krange_nhigh = 0;
std::uint32_t nm_alow = 0, nm_ahigh = 0;
std::string nm_abcfile;
std::string zel_dat_filename;
std::string zelstatus_dat_filename;
std::string fact_txt_filename;
std::string factexcl_txt_filename;
std::string factrange_txt_filename;
std::string stat_txt_filename;
std::string nextrange_txt_filename;

std::uint64_t toint(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  std::uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
  }
  return negative ? 0 - value : value;
}

std::string get_filename(const std::string& base, const std::string& uniqueid) {
  const auto dot = base.find_last_of('.');
  if (dot == std::string::npos) return base + uniqueid;
  return base.substr(0, dot) + uniqueid + base.substr(dot);
}

}  // namespace quorvel
