// File naming and candidate-file detection. Detection only tries to open
// the two candidate files for reading; nothing is created or changed.
#include "driver/file_names.hpp"

#include <fstream>

#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

namespace {

bool readable(const std::string& name) {
  std::ifstream in(name);
  return static_cast<bool>(in);
}

}  // namespace

void name_files(const options_t& opt) {
  const std::string& id = opt.uniqueid;
  zel_dat_filename.clear();
  zelstatus_dat_filename.clear();
  if (!opt.datfile.empty()) {
    zel_dat_filename = opt.datfile;
  } else if (mode == mode_proth) {
    zel_dat_filename = get_filename("Zel.dat", id);
    if (!readable(zel_dat_filename)) {
      const std::string riesel = get_filename("riesel.dat", id);
      if (readable(riesel)) {
        zel_dat_filename = riesel;
        mode = mode_riesel;
      }
    }
  } else if (mode == mode_riesel) {
    zel_dat_filename = get_filename("riesel.dat", id);
  }
  fact_txt_filename = get_filename("fact.txt", id);
  factexcl_txt_filename = get_filename("factexcl.txt", id);
  factrange_txt_filename = get_filename("factrange.txt", id);
  stat_txt_filename = get_filename("stat.txt", id);
  nextrange_txt_filename = get_filename("nextrange.txt", id);
  if (mode == mode_proth) zelstatus_dat_filename = get_filename("ZelStatus.dat", id);
  if (mode == mode_riesel) zelstatus_dat_filename = get_filename("RieselStatus.dat", id);
}

}  // namespace quorvel
