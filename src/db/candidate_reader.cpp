// read_db: loads the candidate file into the k table and analyses it.
//
// The whole file is read into memory and parsed by a hand-written scanner;
// a file that is not well-formed is refused with one line naming the file and
// the fault, before anything is analysed, and the k table is then left empty.
// Per k the period P is the gcd of the differences of its n, and every n is
// congruent to akequiv modulo P; a k with a single n has that n as its period
// (a single n of 0 has period 1), a k with no n (a record written for a k
// whose n are all gone) has period 1, residue 0 and no classes, so the search
// passes it by. The residue analysis then runs as described in
// residue_analysis.hpp.
#include <cstdio>
#include <numeric>
#include <string>

#include "db/candidate_file.hpp"
#include "db/candidate_parser.hpp"
#include "db/console_line.hpp"
#include "db/residue_analysis.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"

namespace quorvel {

namespace {

/// The whole file; false when it cannot be opened or read.
bool slurp(const std::string& filename, std::string& text) {
  std::FILE* f = std::fopen(filename.c_str(), "rb");
  if (f == nullptr) return false;
  char buf[1 << 16];
  std::size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, got);
  const bool ok = std::ferror(f) == 0;
  std::fclose(f);
  return ok;
}

/// Quadratic-residue screen value of k (0: none); 2k is formed in 64 bits
/// and wraps like the 32-bit table entry; that only happens for k >= 2^30,
/// whose screen the search set-up switches off anyway (it keeps none above
/// 999999).
std::int32_t screen_value(std::int32_t k) {
  const std::int64_t wide_k = k;
  std::int64_t a = 0;
  switch (k % 3) {
    case 1:
      a = mode == mode_proth ? -wide_k : 2 * wide_k;
      break;
    case 2:
      a = mode == mode_proth ? -2 * wide_k : wide_k;
      break;
    default:
      break;
  }
  return static_cast<std::int32_t>(a);
}

void commit(const period_table& power, const period_table& equiv, const residue_tables& t) {
  for (std::uint32_t j = 0; j < num_k; ++j) {
    akpower[j] = power[j];
    akequiv[j] = equiv[j];
    akmod[j] = t.akmod[j];
  }
  akares = t.akares;
  aknres = t.aknres;
  // The caller guarantees every lcm is within max_period_lcm here.
  kpowerlcm = static_cast<std::uint32_t>(wide_low64(t.kpowerlcm));
  kmodlcm = static_cast<std::uint32_t>(wide_low64(t.kmodlcm));
  regular_grange = static_cast<std::uint32_t>(wide_low64(t.regular_grange));
}

}  // namespace

std::uint32_t toint32(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  std::uint32_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value * 10 + static_cast<std::uint32_t>(text[i] - '0');
  return value;
}

bool read_db(const std::string& filename) {
  std::string text;
  if (!slurp(filename, text)) {
    print_line("Error: couldn't open '" + filename + "'");
    print_line(mode == mode_proth
                   ? "You need a Zel.dat file to run this program. Get it from the Zel forums."
                   : "You need a riesel.dat file to run this program. Get it from the Dunmore "
                     "forums.");
    return false;
  }
  for (auto& list : aunfacset) list.clear();
  num_k = 0;

  candidate_text file;
  std::string fault;
  switch (parse_candidates(text, file, fault)) {
    case parse_status::ok:
      break;
    case parse_status::too_many_k:
      nlow = file.nlow;
      nhigh = file.nhigh;
      print_line("Error: this version of quorvel is limited to a maximum of " +
                 std::to_string(max_k) + " k values.");
      print_line("Contact Torvan and persuade him to up the limit a bit...");
      return false;
    case parse_status::bad:
      print_line("Error: bad candidate file '" + filename + "': " + fault);
      return false;
  }
  text.clear();
  text.shrink_to_fit();

  num_k = file.num_k;
  nlow = file.nlow;
  nhigh = file.nhigh;
  period_table power{}, equiv{};
  std::uint64_t total = 0;
  for (std::uint32_t j = 0; j < num_k; ++j) {
    ak[j] = file.records[j].k;
    aunfacset[j] = std::move(file.records[j].n);
    const auto& list = aunfacset[j];
    std::uint32_t g = 0;
    for (std::size_t i = 1; i < list.size(); ++i) g = std::gcd(g, list[i] - list[i - 1]);
    if (g != 0) {
      power[j] = g;
      equiv[j] = list.back() % g;
    } else {
      power[j] = list.empty() || list[0] == 0 ? 1 : list[0];
      equiv[j] = 0;
    }
    total += list.size();
    if (verbose >= 1) {
      print_line("k: " + std::to_string(ak[j]) + ". n = " + std::to_string(equiv[j]) + " (mod " +
                 std::to_string(power[j]) + "). " + std::to_string(list.size()) + " n values.");
    }
    alegk[j] = screen_value(ak[j]);
  }
  if (verbose >= 1) print_line(std::to_string(total) + " n values in total.");

  const residue_tables shown = analyse_residues(power, verbose >= 2);
  if (wide_at_most(shown.kpowerlcm, max_period_lcm)) {
    commit(power, equiv, shown);
    return true;
  }
  const period_table eff = effective_periods(power);
  period_table eff_equiv{};
  for (std::uint32_t j = 0; j < num_k; ++j) eff_equiv[j] = equiv[j] % eff[j];
  commit(eff, eff_equiv, analyse_residues(eff, false));
  return true;
}

}  // namespace quorvel
