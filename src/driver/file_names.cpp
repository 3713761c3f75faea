// File naming and candidate-file detection. Detection only tries to open
// the two candidate files for reading; nothing is created or changed. The id
// goes into the name first, then the resolver turns it into the name to
// open, so detection looks at the files the run would really use.
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

std::string keep_file_name(const std::string& name) { return name; }

void name_files(options_t& opt, file_name_resolver resolve) {
  const std::string& id = opt.uniqueid;
  const auto named = [&](const std::string& base) { return resolve(get_filename(base, id)); };
  const auto given = [&](std::string& name) {
    if (!name.empty()) name = resolve(name);
  };
  const auto given_side = [&](std::string& name) {
    if (name != "0") given(name);
  };
  zel_dat_filename.clear();
  zelstatus_dat_filename.clear();
  if (!opt.datfile.empty()) {
    zel_dat_filename = resolve(opt.datfile);
  } else if (mode == mode_proth) {
    zel_dat_filename = named("Zel.dat");
    if (!readable(zel_dat_filename)) {
      const std::string riesel = named("riesel.dat");
      if (readable(riesel)) {
        zel_dat_filename = riesel;
        mode = mode_riesel;
      }
    }
  } else if (mode == mode_riesel) {
    zel_dat_filename = named("riesel.dat");
  }
  fact_txt_filename = named("fact.txt");
  factexcl_txt_filename = named("factexcl.txt");
  factrange_txt_filename = named("factrange.txt");
  stat_txt_filename = named("stat.txt");
  nextrange_txt_filename = named("nextrange.txt");
  if (mode == mode_proth) zelstatus_dat_filename = named("ZelStatus.dat");
  if (mode == mode_riesel) zelstatus_dat_filename = named("RieselStatus.dat");
  given(opt.npgfile);
  given_side(opt.krange_plusfile);
  given_side(opt.krange_minusfile);
  given(opt.krangetwin_file);
  given(nm_abcfile);
  for (std::string& file : opt.apply_files) given(file);
}

}  // namespace quorvel
