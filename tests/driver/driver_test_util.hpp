// Helpers of the run-control tests: a scratch directory that is also the
// working directory for the life of the object (the run control names its
// files relative to it), and file writing/reading shortcuts.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/test_support.hpp"

namespace quorvel::test {

class InScratchDir {
 public:
  InScratchDir() : old_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir_.path());
  }
  ~InScratchDir() {
    std::error_code ec;
    std::filesystem::current_path(old_, ec);
  }
  InScratchDir(const InScratchDir&) = delete;
  InScratchDir& operator=(const InScratchDir&) = delete;

  std::filesystem::path path(const std::string& name) const { return dir_ / name; }
  void put(const std::string& name, const std::string& content) const {
    write_file(path(name), content);
  }
  std::string get(const std::string& name) const { return read_file(path(name)); }
  bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }
  /// Names of every entry of the directory, sorted, joined by blanks.
  std::string listing() const { return test::listing(dir_.path()); }

 private:
  ScratchDir dir_;
  std::filesystem::path old_;
};

}  // namespace quorvel::test
