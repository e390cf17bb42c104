// Runs code in child processes made by fork, for POSIX-only tests of behaviour across
// processes: the child shares the parent's memory image (a lambda's captures, open connections,
// caches). Tests every backend runs use tests/support/ChildProcess.h instead.
#pragma once

#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

namespace testsupport {

// Runs `body` (returning an int exit code 0..255) in a child process and returns its pid.
// The child never returns into the test framework: it ends with _exit after `body`, or with
// exit code 255 when fork itself failed there. Returns -1 when fork fails.
template <typename Body>
pid_t Spawn(Body&& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    int code = 255;
    try {
      code = std::forward<Body>(body)();
    } catch (...) {
      code = 254;
    }
    _exit(code);
  }
  return pid;
}

// Waits for `pid` and returns its exit code, or 1000 + the signal number that ended it, or
// -1 when it cannot be waited for.
inline int Wait(pid_t pid) {
  int status = 0;
  pid_t got;
  do got = waitpid(pid, &status, 0);
  while (got < 0 && errno == EINTR);
  if (got != pid) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 1000 + WTERMSIG(status);
  return -1;
}

}  // namespace testsupport
