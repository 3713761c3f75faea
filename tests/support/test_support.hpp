// Shared test helpers: scratch directories and running the built program
// in one, with given standard input, capturing standard output.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace quorvel::test {

/// A fresh directory under the system temp dir, removed with its contents.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

struct RunResult {
  int exit_status = -1;  ///< exit code, or 128 + signal number
  std::string output;    ///< everything written to standard output
  std::string errors;    ///< everything written to standard error
};

/// Runs `program` with `args` in `dir`, feeding `input` on standard input
/// (closed afterwards). Kills it after `timeout_s` seconds.
RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& dir, const std::string& input = "",
                      int timeout_s = 120);

/// run_program with the built quorvel.
RunResult run_quorvel(const std::vector<std::string>& args, const std::filesystem::path& dir,
                      const std::string& input = "", int timeout_s = 120);

/// How a run is stopped: after a delay, or a delay after `trigger` shows up
/// on its standard output.
struct KillPlan {
  std::chrono::microseconds delay;
  std::string trigger;  ///< empty: the delay counts from the start
};

/// Runs quorvel with `args` in `dir` (standard input empty) and kills it with
/// SIGKILL as planned, unless it ends first. Returns true when the kill was
/// sent.
bool run_and_kill(const std::vector<std::string>& args, const std::filesystem::path& dir,
                  const KillPlan& plan);

/// Whole file as text ("" when missing); and the opposite.
std::string read_file(const std::filesystem::path& path);
void write_file(const std::filesystem::path& path, const std::string& content);

/// Names of every entry of a directory, sorted, joined by blanks; in the
/// BOINC build without the files the client library itself leaves there.
std::string listing(const std::filesystem::path& dir);

/// True in the BOINC build for the files its client library writes in the
/// working directory also when it runs standalone: "stderr.txt" (the
/// library's log; the program writes nothing to standard error) and
/// "boinc_finish_called".
bool is_boinc_library_file(const std::string& name);

/// Path of the built quorvel and of the source tree.
std::string quorvel_bin();
std::filesystem::path source_dir();

}  // namespace quorvel::test
