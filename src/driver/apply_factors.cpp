// -a. The candidates are loaded as for a run (the candidate file with its
// reader, the k-range files with theirs; a k-range file that does not exist
// is an error here, not a start from scratch). Every line of every factor
// file is then read: a malformed line and a false factor (p is no proper
// factor of the number, checked by db/factor_check.hpp) are reported and
// counted; every true factor strikes its number if it is still a candidate.
// Only when no line was false or malformed, and something was struck, are
// the changed files rewritten, each atomically; a k-range file keeps the
// sieve depth of its header.
#include "driver/apply_factors.hpp"

#include <fstream>
#include <string>
#include <vector>

#include "db/candidate_file.hpp"
#include "db/factor_check.hpp"
#include "db/factor_file.hpp"
#include "db/factor_strike.hpp"
#include "krange/krange.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

void apply_counts::add(strike_result r) {
  switch (r) {
    case strike_result::struck:
      ++applied;
      break;
    case strike_result::already_gone:
      ++already_gone;
      break;
    case strike_result::outside:
      ++outside;
      break;
    case strike_result::wrong_form:
      ++wrong_form;
      break;
  }
}

std::string apply_summary(const apply_counts& c) {
  return "Factors: " + std::to_string(c.applied) + " applied, " + std::to_string(c.already_gone) +
         " already gone, " + std::to_string(c.outside) + " outside the file's range, " +
         std::to_string(c.wrong_form) + " wrong form, " + std::to_string(c.false_factors) +
         " false, " + std::to_string(c.malformed) + " malformed.";
}

namespace {

bool readable(const std::string& file) { return std::ifstream(file).good(); }

/// The k-range files of the mode: name and form of each active side.
struct krange_side {
  std::string file;
  krange_form form;
  std::vector<std::uint8_t>* bitmap;
  bool changed = false;
};

std::vector<krange_side> krange_sides(const options_t& opt) {
  if (mode == mode_krangetwin)
    return {{opt.krangetwin_file, krange_form::twin, &krangetwin_bitmap}};
  std::vector<krange_side> sides;
  if (opt.krange_minusfile != "0")
    sides.push_back({opt.krange_minusfile, krange_form::minus, &krange_bitmapminus});
  if (opt.krange_plusfile != "0")
    sides.push_back({opt.krange_plusfile, krange_form::plus, &krange_bitmapplus});
  return sides;
}

/// Loads the candidates the factors are applied to; false after a message.
bool load_candidates(const options_t& opt, std::vector<krange_side>& sides, std::ostream& out) {
  if (mode == mode_proth || mode == mode_riesel) return read_db(zel_dat_filename);
  for (const krange_side& side : sides) {
    if (!readable(side.file)) {
      out << "Error: couldn't open '" << side.file << "'" << std::endl;
      return false;
    }
  }
  if (mode == mode_krange)
    krange_initialize(opt.krange_plusfile, opt.krange_minusfile);
  else
    krangetwin_initialize(opt.krangetwin_file);
  return true;
}

/// Writes what changed; false (after a warning) when a file could not be written.
bool write_candidates(std::vector<krange_side>& sides, std::ostream& out) {
  bool ok = true;
  if (mode == mode_proth || mode == mode_riesel) {
    out << "Saving " << zel_dat_filename << "..." << std::flush;
    ok = dump_db(zel_dat_filename);
    out << " Done." << std::endl;
    if (!ok) out << "Error: could not write " << zel_dat_filename << "." << std::endl;
    return ok;
  }
  for (krange_side& side : sides) {
    if (!side.changed) continue;
    const std::uint64_t depth = krange_file_depth(side.file);
    if (!krange_write_side(side.file, depth, *side.bitmap, side.form)) {
      out << "Error: could not write " << side.file << "." << std::endl;
      ok = false;
    }
  }
  return ok;
}

}  // namespace

int apply_factor_files(const options_t& opt, std::ostream& out) {
  if (opt.range_given) {
    out << "-a applies factor files and sieves nothing: give no p range with it." << std::endl;
    return 1;
  }
  if (mode == mode_nearmersenne) {
    out << "-a works in Proth, Riesel, k-range and k-range twin mode, not near-Mersenne."
        << std::endl;
    return 1;
  }
  for (const std::string& file : opt.apply_files) {
    if (!readable(file)) {
      out << "Error: couldn't open '" << file << "'" << std::endl;
      return 1;
    }
  }
  std::vector<krange_side> sides = krange_sides(opt);
  if (!load_candidates(opt, sides, out)) return 1;

  const bool twin = mode == mode_krangetwin;
  apply_counts counts;
  for (const std::string& file : opt.apply_files) {
    const bool opened =
        for_each_factor_line(file, [&](std::uint64_t number, line_status status,
                                       const factor_line_t& f, std::string_view text) {
          const std::string where = file + ":" + std::to_string(number) + ": ";
          if (status == line_status::malformed) {
            ++counts.malformed;
            out << where << "malformed line: " << line_for_message(text) << std::endl;
            return;
          }
          if (!is_factor_k2n(f.p, f.k, f.n, f.sign)) {
            ++counts.false_factors;
            out << where << "false factor: " << factor_text(f) << std::endl;
            return;
          }
          if (mode == mode_proth || mode == mode_riesel) {
            counts.add(strike_from_ktable(f));
            return;
          }
          const strike_result r = krange_strike(twin, f.k, f.n, f.sign);
          counts.add(r);
          if (r == strike_result::struck) {
            const krange_form form =
                twin ? krange_form::twin : (f.sign > 0 ? krange_form::plus : krange_form::minus);
            for (krange_side& side : sides) side.changed |= side.form == form;
          }
        });
    if (!opened) {
      out << "Error: couldn't open '" << file << "'" << std::endl;
      return 1;
    }
  }
  out << apply_summary(counts) << std::endl;

  if (counts.false_factors != 0 || counts.malformed != 0) {
    out << "Nothing was changed: the factor files hold false or malformed lines." << std::endl;
    return 1;
  }
  if (counts.applied == 0) {
    out << "Nothing to strike; nothing was changed." << std::endl;
    return 0;
  }
  return write_candidates(sides, out) ? 0 : 1;
}

}  // namespace quorvel
