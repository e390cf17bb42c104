// The POSIX start and wait of tests/support/ChildProcess.h: posix_spawn, so the child runs
// the program afresh (as CreateProcess does on Windows) instead of a copy of the parent.
#include <signal.h>
#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "tests/support/ChildProcess.h"

extern char** environ;

namespace testsupport::detail {
namespace {

// The exit code, or kChildEndedAbnormally for a process a signal ended.
int ResultOf(pid_t pid, int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    std::fprintf(stderr, "child process %d ended by signal %d (%s)\n", static_cast<int>(pid), WTERMSIG(status),
                 strsignal(WTERMSIG(status)));
  return kChildEndedAbnormally;
}

}  // namespace

std::intptr_t StartProcess(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (error != 0) {
    std::fprintf(stderr, "cannot start %s: %s\n", program.c_str(), std::strerror(error));
    return 0;
  }
  return pid;
}

std::optional<int> WaitProcess(std::intptr_t handle, std::chrono::milliseconds timeout) {
  const pid_t pid = static_cast<pid_t>(handle);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  // waitpid has no deadline: poll, quickly at first, since most children end within
  // milliseconds and the tests wait for many of them.
  auto pause = std::chrono::microseconds(100);
  for (;;) {
    int status = 0;
    const pid_t got = waitpid(pid, &status, WNOHANG);
    if (got == pid) return ResultOf(pid, status);
    if (got < 0 && errno != EINTR) {
      std::fprintf(stderr, "cannot wait for child process %d: %s\n", static_cast<int>(pid), std::strerror(errno));
      return kChildEndedAbnormally;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(5000));
  }
}

void EndProcess(std::intptr_t handle) noexcept {
  const pid_t pid = static_cast<pid_t>(handle);
  kill(pid, SIGKILL);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace testsupport::detail
