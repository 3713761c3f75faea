// Command line of quorvel-newdat. Arguments are read left to right: a
// switch is an argument that starts with "-", and the switches that take a
// value take the next argument; the two other arguments are nmin and nmax.
// Every number must be plain decimal digits and every value is checked
// before any work starts, so bad input ends with one error line, status 1
// and no file. The file is replaced through write_file_atomically.
#include "newdat/newdat_cli.hpp"

#include <algorithm>
#include <cstdio>
#include <new>
#include <set>

#include "newdat/candidate_gen.hpp"
#include "newdat/search_stage.hpp"
#include "quorvel/atomic_file.hpp"
#include "quorvel/common.hpp"

namespace quorvel {
namespace {

constexpr std::uint64_t k_limit = std::uint64_t{1} << 31;
constexpr std::uint64_t u32_max = 0xFFFFFFFFu;

// Value of a text of 1 to 19 decimal digits and nothing else; false otherwise
// (also for a number too long for 64 bits).
bool parse_decimal(const std::string& text, std::uint64_t& value) {
  if (text.empty() || text.size() > 19) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

// A user's text as it may appear in the one-line error message.
std::string shown(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return out;
}

// Checks one k text and appends it; "" or the error line.
std::string add_k(const std::string& text, std::vector<std::int32_t>& ks,
                  std::set<std::int32_t>& seen) {
  std::uint64_t k = 0;
  if (!parse_decimal(text, k)) return "Error: bad k value '" + shown(text) + "'";
  if (k == 0 || k >= k_limit) return "Error: k must be at least 1 and below 2147483648: " + text;
  if (k % 2 == 0) return "Error: k must be odd: " + text;
  const auto value = static_cast<std::int32_t>(k);
  if (!seen.insert(value).second) return "Error: k " + text + " is given twice";
  if (ks.size() >= max_k)
    return "Error: too many k values: at most " + std::to_string(max_k) + " are allowed";
  ks.push_back(value);
  return "";
}

bool is_blank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The items of a -k argument (split at commas, blanks around an item
// dropped; an empty item stays, and is then rejected) or of a k file (split
// at commas and white space, empty items dropped).
std::vector<std::string> split_items(const std::string& text, bool commas_only) {
  std::vector<std::string> items(1);
  for (const char c : text) {
    if (c == ',' || (!commas_only && is_blank(c))) {
      items.emplace_back();
    } else if (!is_blank(c) || !items.back().empty()) {
      items.back() += c;
    }
  }
  for (std::string& item : items)
    while (!item.empty() && is_blank(item.back())) item.pop_back();
  if (!commas_only) std::erase(items, std::string{});
  return items;
}

std::string add_k_list(const std::string& text, bool commas_only, std::vector<std::int32_t>& ks,
                       std::set<std::int32_t>& seen) {
  for (const std::string& item : split_items(text, commas_only))
    if (const std::string e = add_k(item, ks, seen); !e.empty()) return e;
  return "";
}

// Whole file into `text`; false when it cannot be opened or read, or when
// it is longer than any list of k values could sensibly be (1 MiB).
bool read_k_file(const std::string& path, std::string& text) {
  constexpr std::size_t limit = std::size_t{1} << 20;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  char buf[65536];
  std::size_t got;
  while (text.size() <= limit && (got = std::fread(buf, 1, sizeof buf, f)) > 0)
    text.append(buf, got);
  const bool ok = std::ferror(f) == 0 && text.size() <= limit;
  std::fclose(f);
  return ok;
}

std::string parse_n(const std::string& text, std::uint32_t& n) {
  std::uint64_t v = 0;
  if (!parse_decimal(text, v)) return "Error: bad n value '" + shown(text) + "'";
  if (v > u32_max) return "Error: n must be at most 4294967295: " + text;
  n = static_cast<std::uint32_t>(v);
  return "";
}

}  // namespace

std::string parse_newdat_args(const std::vector<std::string>& args, newdat_options_t& opt) {
  opt = newdat_options_t{};
  if (args.empty()) {
    opt.help = true;
    return "";
  }
  std::set<std::int32_t> seen;
  std::vector<std::string> positional;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.empty() || a[0] != '-') {
      positional.push_back(a);
      continue;
    }
    const std::string name = a.substr(1);
    if (name == "h") {
      opt.help = true;
      return "";
    }
    if (name == "proth") {
      opt.form = mode_proth;
      continue;
    }
    if (name == "riesel") {
      opt.form = mode_riesel;
      continue;
    }
    if (name != "k" && name != "kfile" && name != "b" && name != "o" && name != "t")
      return "Error: unknown switch: " + shown(a);
    if (i + 1 >= args.size()) return "Error: switch " + a + " needs an argument";
    const std::string& value = args[++i];
    if (name == "k") {
      if (const std::string e = add_k_list(value, true, opt.ks, seen); !e.empty()) return e;
    } else if (name == "kfile") {
      std::string text;
      if (!read_k_file(value, text)) return "Error: couldn't read k file '" + shown(value) + "'";
      if (const std::string e = add_k_list(text, false, opt.ks, seen); !e.empty()) return e;
    } else if (name == "b") {
      std::uint64_t b = 0;
      if (!parse_decimal(value, b)) return "Error: bad sieve bound '" + shown(value) + "'";
      if (b < 3 || b > u32_max)
        return "Error: the sieve bound must be between 3 and 4294967295: " + value;
      opt.bound = static_cast<std::uint32_t>(b);
    } else if (name == "t") {
      std::uint64_t t = 0;
      if (!parse_decimal(value, t) || t < 1 || t > 1024)
        return "Error: bad thread count '" + shown(value) + "': give a whole number from 1 to 1024";
      opt.threads = static_cast<unsigned>(t);
    } else {
      if (value.empty()) return "Error: switch -o needs a file name";
      opt.out_file = value;
    }
  }
  if (positional.size() < 2) return "Error: give the n range as <nmin> <nmax>";
  if (positional.size() > 2) return "Error: unexpected argument '" + shown(positional[2]) + "'";
  if (const std::string e = parse_n(positional[0], opt.nmin); !e.empty()) return e;
  if (const std::string e = parse_n(positional[1], opt.nmax); !e.empty()) return e;
  if (opt.nmin > opt.nmax)
    return "Error: empty n range: nmin " + positional[0] + " is above nmax " + positional[1];
  if (opt.ks.empty()) return "Error: no k values given (use -k or -kfile)";
  if (opt.out_file.empty()) opt.out_file = opt.form == mode_proth ? "Zel.dat" : "riesel.dat";
  return "";
}

void print_newdat_usage(std::ostream& out) {
  out << "usage: quorvel-newdat [switches] <nmin> <nmax>\n"
         "Writes a candidate file: for every k, the n from nmin to nmax whose number\n"
         "k*2^n+1 (or k*2^n-1) has no prime factor up to the sieve bound.\n"
         "\t-proth = numbers k*2^n+1, written to Zel.dat (default)\n"
         "\t-riesel = numbers k*2^n-1, written to riesel.dat\n"
         "\t-k <k>[,<k>...] = the k values: odd, below 2^31, at most 104 in all\n"
         "\t-kfile <file> = read further k values from a file (blanks, line ends or commas)\n"
         "\t-b <bound> = sieve with the primes up to <bound>, 3 to 4294967295;\n"
         "\t             default is 1000000; above 1000000 the primes from there\n"
         "\t             on go to quorvel's own search\n"
         "\t-t <threads> = threads of that search, 1 to 1024; default is 1\n"
         "\t-o <file> = write the candidate file to <file>\n"
         "\t-h = this help text\n"
      << std::flush;
}

int run_newdat(const std::vector<std::string>& args, std::ostream& out) {
  newdat_options_t opt;
  if (const std::string e = parse_newdat_args(args, opt); !e.empty()) {
    out << e << std::endl;
    return 1;
  }
  if (opt.help) {
    print_newdat_usage(out);
    return 0;
  }
  std::size_t total = 0;
  try {
    candidate_lists_t lists = generate_candidates(opt.form, opt.ks, opt.nmin, opt.nmax,
                                                  std::min(opt.bound, search_stage_from));
    if (opt.bound > search_stage_from) {
      const std::string e = strike_with_search(opt.form, opt.ks, opt.nmin, opt.nmax,
                                               search_stage_from, opt.bound, opt.threads, lists);
      if (!e.empty()) {
        out << e << std::endl;
        return 1;
      }
    }
    for (const auto& list : lists) total += list.size();
    const std::string text = format_candidate_file(opt.ks, opt.nmin, opt.nmax, lists);
    if (!write_file_atomically(opt.out_file, text)) {
      out << "Error: couldn't write '" << shown(opt.out_file) << "'" << std::endl;
      return 1;
    }
  } catch (const std::bad_alloc&) {
    out << "Error: out of memory" << std::endl;
    return 1;
  } catch (const std::exception& e) {
    out << "Error: " << e.what() << std::endl;
    return 1;
  }
  out << "Wrote " << total << " candidates of " << opt.ks.size() << " k, n " << opt.nmin << " to "
      << opt.nmax << ", to " << opt.out_file << std::endl;
  return 0;
}

}  // namespace quorvel
