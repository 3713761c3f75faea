// Command-line parsing. Arguments are visited left to right; an argument
// starting with '-' is a switch whose name (the rest after that one dash) is
// compared whole and case-sensitively, everything else is positional: the
// first sets pmin, every further one pmax. A switch that takes arguments
// consumes them; one that would run past the end of the list is an error, so
// nothing beyond the argument list is ever read.
#include "driver/command_line.hpp"

#include <cstdint>
#include <optional>
#include <thread>

#include "driver/console_texts.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {

namespace {

void reset_configuration(options_t& opt) {
  opt = options_t{};
  mode = mode_proth;
  verbose = 0;
  savezeldat = false;
  writefulln = false;
  outputdupes = true;
  krange_klow = krange_khigh = krange_nlow = krange_nhigh = 0;
  nm_alow = nm_ahigh = 0;
  nm_abcfile.clear();
}

/// The argument list a switch expects, for the message when it is short.
const char* argument_synopsis(const std::string& name) {
  if (name == "i") return "<interval>";
  if (name == "n") return "<uniqueid>";
  if (name == "p" || name == "pt") return "<priority>";
  if (name == "a" || name == "s" || name == "npg") return "<filename>";
  if (name == "t") return "<threads>";
  if (name == "x") return "<seconds>";
  if (name == "krange") return "<klow> <khigh> <nlow> <nhigh> <plusfile> <minusfile>";
  if (name == "krangetwin") return "<klow> <khigh> <nlow> <nhigh> <file>";
  return "<alow> <ahigh> <abcfile>";  // nearmersenne
}

std::uint32_t low32(const std::string& text) { return static_cast<std::uint32_t>(toint(text)); }

/// The thread count of -t: a whole number from 1 to max_threads, digits only;
/// 0 for anything else.
unsigned parse_threads(const std::string& text) {
  if (text.empty() || text.size() > 5) return 0;
  unsigned value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value <= max_threads ? value : 0;
}

/// The limit of -x: a whole number of seconds, digits only, at most
/// max_stop_digits of them; none for anything else.
std::optional<std::uint64_t> parse_stop_seconds(const std::string& text) {
  constexpr std::size_t max_stop_digits = 10;
  if (text.empty() || text.size() > max_stop_digits) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return value;
}

}  // namespace

step_result parse_command_line(const std::vector<std::string>& args, options_t& opt,
                               std::ostream& out) {
  reset_configuration(opt);
  if (args.empty()) print_usage(out);

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-') {
      if (!opt.range_given) {
        opt.pmin = toint(arg);
        opt.range_given = true;
      } else {
        opt.pmax = toint(arg);
      }
      continue;
    }
    const std::string name = arg.substr(1);
    // Takes the next `count` arguments, or reports that they are missing.
    auto take = [&](std::size_t count) -> bool {
      if (args.size() - 1 - i >= count) return true;
      out << "Switch -" << name << " needs " << count
          << (count == 1 ? " argument: -" : " arguments: -") << name << ' '
          << argument_synopsis(name) << std::endl;
      return false;
    };

    if (name == "a") {
      if (!take(1)) return step_result::stop_error;
      opt.apply_files.push_back(args[++i]);
    } else if (name == "d") {
      outputdupes = false;
    } else if (name == "f") {
      opt.force = true;
    } else if (name == "full") {
      writefulln = true;
    } else if (name == "h") {
      print_usage(out);
      return step_result::stop_ok;
    } else if (name == "i") {
      if (!take(1)) return step_result::stop_error;
      opt.interval = toint(args[++i]);
    } else if (name == "krange") {
      if (!take(6)) return step_result::stop_error;
      krange_klow = low32(args[i + 1]);
      krange_khigh = low32(args[i + 2]);
      krange_nlow = low32(args[i + 3]);
      krange_nhigh = low32(args[i + 4]);
      opt.krange_plusfile = args[i + 5];
      opt.krange_minusfile = args[i + 6];
      mode = mode_krange;
      i += 6;
    } else if (name == "krangetwin") {
      if (!take(5)) return step_result::stop_error;
      krange_klow = low32(args[i + 1]);
      krange_khigh = low32(args[i + 2]);
      krange_nlow = low32(args[i + 3]);
      krange_nhigh = low32(args[i + 4]);
      opt.krangetwin_file = args[i + 5];
      mode = mode_krangetwin;
      i += 5;
    } else if (name == "n") {
      if (!take(1)) return step_result::stop_error;
      opt.uniqueid = args[++i];
    } else if (name == "nearmersenne") {
      if (!take(3)) return step_result::stop_error;
      nm_alow = low32(args[i + 1]);
      nm_ahigh = low32(args[i + 2]);
      nm_abcfile = args[i + 3];
      mode = mode_nearmersenne;
      i += 3;
    } else if (name == "npg") {
      if (!take(1)) return step_result::stop_error;
      opt.writenpg = true;
      opt.npgfile = args[++i];
    } else if (name == "p") {
      if (!take(1)) return step_result::stop_error;
      opt.priority = low32(args[++i]);
      if (opt.priority > 4) {
        out << "Bad process priority. Give value between 0 and 4 inclusive." << std::endl;
        return step_result::stop_error;
      }
    } else if (name == "pt") {
      if (!take(1)) return step_result::stop_error;
      opt.threadpriority = low32(args[++i]);
      if (opt.threadpriority > 5) {
        out << "Bad thread priority. Give value between 0 and 5 inclusive." << std::endl;
        return step_result::stop_error;
      }
    } else if (name == "proth") {
      mode = mode_proth;
    } else if (name == "riesel") {
      mode = mode_riesel;
    } else if (name == "s") {
      if (!take(1)) return step_result::stop_error;
      opt.datfile = args[++i];
    } else if (name == "t") {
      if (!take(1)) return step_result::stop_error;
      opt.threads = parse_threads(args[++i]);
      if (opt.threads == 0) {
        out << "Bad thread count: " << args[i] << ". Give a whole number from 1 to " << max_threads
            << "." << std::endl;
        return step_result::stop_error;
      }
      const unsigned processors = std::thread::hardware_concurrency();
      if (processors != 0 && opt.threads > processors) {
        out << "Warning: " << opt.threads << " threads on " << processors << " processors."
            << std::endl;
      }
    } else if (name == "u") {
      savezeldat = true;
    } else if (name == "v") {
      verbose = 1;
    } else if (name == "vv") {
      verbose = 2;
    } else if (name == "w") {
      opt.waitforrange = true;
    } else if (name == "x") {
      if (!take(1)) return step_result::stop_error;
      opt.stop_seconds = parse_stop_seconds(args[++i]);
      if (!opt.stop_seconds) {
        out << "Bad stop limit: " << args[i]
            << ". Give a whole number of processor seconds per factor." << std::endl;
        return step_result::stop_error;
      }
    } else {
      out << "unknown switch: " << name << std::endl;
    }
  }
  return step_result::go_on;
}

bool check_mode_parameters(std::ostream& out) {
  if (mode == mode_krange || mode == mode_krangetwin) {
    if (krange_khigh < krange_klow) {
      out << "Bad k range: khigh=" << krange_khigh << " is below klow=" << krange_klow << "."
          << std::endl;
      return false;
    }
    if (krange_klow % 2 == 0) {
      out << "Bad k range: klow=" << krange_klow << " must be odd." << std::endl;
      return false;
    }
    if (krange_khigh == 0xFFFFFFFFu) {
      out << "Bad k range: khigh=" << krange_khigh << " is too large (at most 4294967294)."
          << std::endl;
      return false;
    }
  } else if (mode == mode_nearmersenne) {
    if (nm_alow == 0) {
      out << "Bad near-Mersenne range: alow must be at least 1." << std::endl;
      return false;
    }
    if (nm_ahigh > 65535) {
      out << "Bad near-Mersenne range: ahigh=" << nm_ahigh << " is above 65535." << std::endl;
      return false;
    }
    if (nm_ahigh < nm_alow) {
      out << "Bad near-Mersenne range: ahigh=" << nm_ahigh << " is below alow=" << nm_alow << "."
          << std::endl;
      return false;
    }
  }
  return true;
}

}  // namespace quorvel
