// Helpers of the candidate database tests: capturing what a call prints on
// standard output, resetting the run configuration, and writing candidate
// files from plain lists.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "quorvel/common.hpp"
#include "quorvel/config.hpp"
#include "quorvel/ktable.hpp"
#include "reference/db_reference.hpp"
#include "support/test_support.hpp"

namespace quorvel::dbtest {

/// Everything `body` writes to standard output (file descriptor 1).
inline std::string capture_stdout(const std::function<void()>& body) {
  std::fflush(stdout);
  char name[] = "/tmp/quorvel-db-capture-XXXXXX";
  const int fd = ::mkstemp(name);
  const int saved = ::dup(1);
  ::dup2(fd, 1);
  // Standard output comes back also when the body throws.
  struct restore {
    int saved, fd;
    ~restore() {
      std::fflush(stdout);
      ::dup2(saved, 1);
      ::close(saved);
      ::close(fd);
    }
  };
  {
    const restore guard{saved, fd};
    body();
  }
  const std::string text = test::read_file(name);
  std::remove(name);
  return text;
}

/// The run configuration as a fresh process has it.
inline void reset_config() {
  mode = mode_proth;
  verbose = 0;
  savezeldat = false;
  writefulln = false;
  outputdupes = true;
}

/// A candidate file: header, then per k "k=" and its n, the first absolute
/// and the rest as deltas (or all absolute).
inline std::string candidate_text(std::uint32_t nlow, std::uint32_t nhigh,
                                  const std::vector<dbref::record>& recs, bool absolute = false) {
  std::string s = std::to_string(recs.size()) + "\n" + std::to_string(nlow) + "\n" +
                  std::to_string(nhigh) + "\n";
  // Pieces appended one by one: g++ 12 warns wrongly on "+" + std::string.
  for (const auto& r : recs) {
    s += "k=";
    s += std::to_string(r.k);
    s += '\n';
    for (std::size_t i = 0; i < r.n.size(); ++i) {
      if (i > 0 && !absolute) s += '+';
      s += std::to_string(i > 0 && !absolute ? r.n[i] - r.n[i - 1] : r.n[i]);
      s += '\n';
    }
  }
  return s;
}

/// The k table as loaded, as records.
inline std::vector<dbref::record> loaded_records() {
  std::vector<dbref::record> out;
  for (std::uint32_t j = 0; j < num_k; ++j) out.push_back({ak[j], aunfacset[j]});
  return out;
}

}  // namespace quorvel::dbtest
