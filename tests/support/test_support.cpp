#include "support/test_support.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace quorvel::test {

ScratchDir::ScratchDir() {
  static std::atomic<unsigned> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("quorvel-test-" + std::to_string(::getpid()) + "-" +
                             std::to_string(counter++));
    if (std::filesystem::create_directory(candidate)) {
      path_ = candidate;
      return;
    }
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string read_file(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "";
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

void write_file(const std::filesystem::path& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path.string());
  out << content;
}

std::string listing(const std::filesystem::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (is_boinc_library_file(name)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : " ") + n;
  return out;
}

bool is_boinc_library_file(const std::string& name) {
#ifdef QUORVEL_BOINC_BUILD
  return name == "stderr.txt" || name == "boinc_finish_called";
#else
  (void)name;
  return false;
#endif
}

std::string quorvel_bin() { return QUORVEL_BIN; }
std::filesystem::path source_dir() { return QUORVEL_SOURCE_DIR; }

namespace {

/// In the child after fork: enters dir and executes program with args.
[[noreturn]] void exec_in(const std::string& program, const std::vector<std::string>& args,
                          const std::filesystem::path& dir) {
  if (::chdir(dir.c_str()) != 0) ::_exit(126);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  ::execv(program.c_str(), argv.data());
  ::_exit(127);
}

}  // namespace

RunResult run_program(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& dir, const std::string& input,
                      int timeout_s) {
  int in_pipe[2], out_pipe[2], err_pipe[2];
  if (::pipe(in_pipe) != 0 || ::pipe(out_pipe) != 0 || ::pipe(err_pipe) != 0)
    throw std::runtime_error("pipe failed");
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(in_pipe[0], 0);
    ::dup2(out_pipe[1], 1);
    ::dup2(err_pipe[1], 2);
    for (int fd : {in_pipe[0], in_pipe[1], out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
      ::close(fd);
    exec_in(program, args, dir);
  }
  ::close(in_pipe[0]);
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);
  ::signal(SIGPIPE, SIG_IGN);
  ::fcntl(in_pipe[1], F_SETFL, O_NONBLOCK);

  RunResult result;
  std::size_t written = 0;
  if (input.empty()) {
    ::close(in_pipe[1]);
    in_pipe[1] = -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
  bool out_open = true, err_open = true;
  char buf[65536];
  while (out_open || err_open) {
    pollfd fds[3];
    int nfds = 0;
    if (out_open) fds[nfds++] = {out_pipe[0], POLLIN, 0};
    if (err_open) fds[nfds++] = {err_pipe[0], POLLIN, 0};
    if (in_pipe[1] >= 0) fds[nfds++] = {in_pipe[1], POLLOUT, 0};
    const int rc = ::poll(fds, static_cast<nfds_t>(nfds), 100);
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      break;
    }
    if (rc <= 0) continue;
    for (int i = 0; i < nfds; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == in_pipe[1]) {
        const ssize_t n = ::write(in_pipe[1], input.data() + written, input.size() - written);
        if (n > 0) written += static_cast<std::size_t>(n);
        if (n < 0 && errno != EAGAIN) written = input.size();
        if (written >= input.size()) {
          ::close(in_pipe[1]);
          in_pipe[1] = -1;
        }
        continue;
      }
      const ssize_t n = ::read(fds[i].fd, buf, sizeof buf);
      if (n <= 0) {
        if (fds[i].fd == out_pipe[0]) out_open = false;
        else err_open = false;
      } else if (fds[i].fd == out_pipe[0]) {
        result.output.append(buf, static_cast<std::size_t>(n));
      } else {
        result.errors.append(buf, static_cast<std::size_t>(n));
      }
    }
  }
  if (in_pipe[1] >= 0) ::close(in_pipe[1]);
  ::close(out_pipe[0]);
  ::close(err_pipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) result.exit_status = 128 + WTERMSIG(status);
  return result;
}

bool run_and_kill(const std::vector<std::string>& args, const std::filesystem::path& dir,
                  const KillPlan& plan) {
  using Clock = std::chrono::steady_clock;
  int out[2];
  if (::pipe(out) != 0) throw std::runtime_error("pipe failed");
  const std::string program = quorvel_bin();
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, 0);
    ::dup2(out[1], 1);
    ::dup2(null, 2);
    ::close(out[0]);
    ::close(out[1]);
    exec_in(program, args, dir);
  }
  ::close(out[1]);
  ::fcntl(out[0], F_SETFL, O_NONBLOCK);
  std::string seen;
  bool triggered = plan.trigger.empty();
  auto kill_at = Clock::now() + plan.delay;
  const auto give_up = Clock::now() + std::chrono::seconds(120);
  bool killed = false;
  for (;;) {
    char buf[4096];
    const ssize_t n = ::read(out[0], buf, sizeof buf);
    if (n > 0) {
      seen.append(buf, static_cast<std::size_t>(n));
      if (!triggered && seen.find(plan.trigger) != std::string::npos) {
        triggered = true;
        kill_at = Clock::now() + plan.delay;
      }
    }
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) break;  // ended on its own
    if ((triggered && Clock::now() >= kill_at) || Clock::now() >= give_up) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      killed = true;
      break;
    }
    if (n <= 0) std::this_thread::yield();
  }
  ::close(out[0]);
  return killed;
}

RunResult run_quorvel(const std::vector<std::string>& args, const std::filesystem::path& dir,
                      const std::string& input, int timeout_s) {
  return run_program(quorvel_bin(), args, dir, input, timeout_s);
}

}  // namespace quorvel::test
