// The search stage runs the whole program on a candidate file of its own: in
// a fresh scratch directory it writes the lists as Zel.dat or riesel.dat,
// runs the range from..bound with -u (the file rewritten without the struck
// n) and -d (no file of factors of n already gone), and reads the file back.
//
// The search prints each factor on standard output, which is silenced
// meanwhile. It strikes a number that is a prime p of the range itself (only
// possible for n <= 32, where k*2^n+-1 < 2^63); the generator keeps such a
// number, so those n are put back.
#include "newdat/search_stage.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>

#include "db/candidate_parser.hpp"
#include "driver/platform.hpp"
#include "driver/run_driver.hpp"
#include "primes/primality.hpp"
#include "quorvel/atomic_file.hpp"
#include "quorvel/common.hpp"
#include "quorvel/config.hpp"

namespace quorvel {
namespace {

namespace fs = std::filesystem;

// A fresh directory under the temporary folder, made the current one while
// the object lives; afterwards the old current directory is back and the
// directory is gone with everything in it.
class scratch_directory_t {
 public:
  scratch_directory_t() : previous_(fs::current_path()) {
    std::string name = (fs::temp_directory_path() / "quorvel-newdat-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr)
      throw std::runtime_error("couldn't make a scratch directory in " +
                               fs::temp_directory_path().string());
    path_ = name;
    fs::current_path(path_);
  }
  ~scratch_directory_t() {
    std::error_code ignored;
    fs::current_path(previous_, ignored);
    fs::remove_all(path_, ignored);
  }
  scratch_directory_t(const scratch_directory_t&) = delete;
  scratch_directory_t& operator=(const scratch_directory_t&) = delete;

 private:
  fs::path previous_;
  fs::path path_;
};

// Standard output sent to /dev/null while the object lives: the search prints
// every factor it finds there, which a generator run does not want to show.
class silenced_stdout_t {
 public:
  silenced_stdout_t() {
    std::fflush(stdout);
    saved_ = ::dup(STDOUT_FILENO);
    const int null = ::open("/dev/null", O_WRONLY);
    if (saved_ >= 0 && null >= 0) ::dup2(null, STDOUT_FILENO);
    if (null >= 0) ::close(null);
  }
  ~silenced_stdout_t() {
    std::fflush(stdout);
    if (saved_ >= 0) {
      ::dup2(saved_, STDOUT_FILENO);
      ::close(saved_);
    }
  }
  silenced_stdout_t(const silenced_stdout_t&) = delete;
  silenced_stdout_t& operator=(const silenced_stdout_t&) = delete;

 private:
  int saved_ = -1;
};

// The floor of the search's pmin, lowered while the object lives.
class lowered_floor_t {
 public:
  explicit lowered_floor_t(std::uint64_t floor) : previous_(search_pmin_floor) {
    search_pmin_floor = floor;
  }
  ~lowered_floor_t() { search_pmin_floor = previous_; }
  lowered_floor_t(const lowered_floor_t&) = delete;
  lowered_floor_t& operator=(const lowered_floor_t&) = delete;

 private:
  std::uint64_t previous_;
};

std::string last_line(const std::string& text) {
  std::string t = text;
  while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
  const std::size_t at = t.find_last_of("\r\n");
  return at == std::string::npos ? t : t.substr(at + 1);
}

// True when k*2^n+-1 (n <= 32, so below 2^63) is a prime.
bool number_is_prime(int form, std::int32_t k, std::uint32_t n) {
  const std::uint64_t kp = static_cast<std::uint64_t>(k) << n;
  return is_prime_u64(form == mode_proth ? kp + 1 : kp - 1);
}

}  // namespace

std::string strike_with_search(int form, const std::vector<std::int32_t>& ks, std::uint32_t nmin,
                               std::uint32_t nmax, std::uint64_t from, std::uint64_t bound,
                               unsigned threads, candidate_lists_t& lists) {
  std::size_t total = 0;
  for (const auto& list : lists) total += list.size();
  if (total == 0) return "";

  const std::string file = form == mode_proth ? "Zel.dat" : "riesel.dat";
  std::string text;
  {
    scratch_directory_t scratch;
    if (!write_file_atomically(file, format_candidate_file(ks, nmin, nmax, lists)))
      return "Error: couldn't write the candidate file of the search stage";
    const lowered_floor_t floor(from);
    const std::vector<std::string> args = {
        form == mode_proth ? "-proth" : "-riesel", "-u", "-d", "-t", std::to_string(threads),
        "-i", std::to_string(bound), std::to_string(from), std::to_string(bound)};
    std::istringstream no_input;
    std::ostringstream console;
    int status;
    {
      const silenced_stdout_t quiet;
      status = run_driver(args, no_input, console, platform_hooks{});
    }
    if (status != 0)
      return "Error: the search stage failed: " + last_line(console.str());
    std::ifstream in(file, std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) return "Error: couldn't read the candidate file of the search stage";
  }

  candidate_text parsed;
  std::string error;
  if (parse_candidates(text, parsed, error) != parse_status::ok)
    return "Error: the search stage left a bad candidate file: " + error;
  std::map<std::int32_t, const std::vector<std::uint32_t>*> left;
  for (const candidate_record& r : parsed.records) left[r.k] = &r.n;
  for (std::size_t j = 0; j < ks.size(); ++j) {
    std::vector<std::uint32_t> kept;
    const auto it = left.find(ks[j]);
    if (it != left.end()) kept = *it->second;
    for (const std::uint32_t n : lists[j]) {
      if (n > 32) break;
      if (!std::binary_search(kept.begin(), kept.end(), n) && number_is_prime(form, ks[j], n))
        kept.insert(std::lower_bound(kept.begin(), kept.end(), n), n);
    }
    lists[j] = std::move(kept);
  }
  return "";
}

}  // namespace quorvel
