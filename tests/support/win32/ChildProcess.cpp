// The Windows start and wait of tests/support/ChildProcess.h: CreateProcessA with a command
// line quoted the way the runtime's argument parser splits it again.
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/win32/win32_api.h"
#include "tests/support/ChildProcess.h"

namespace testsupport::detail {
namespace {

// One argument for the command line: quoted when it has blanks, quotes or is empty; a run of
// backslashes doubled where a quote follows it.
std::string Quote(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  quoted += '"';
  return quoted;
}

}  // namespace

std::intptr_t StartProcess(const std::string& program, const std::vector<std::string>& arguments) {
  std::string command = Quote(program);
  for (const std::string& argument : arguments) command += ' ' + Quote(argument);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "cannot start %s: error %lu\n", program.c_str(), GetLastError());
    return 0;
  }
  CloseHandle(process.hThread);
  return reinterpret_cast<std::intptr_t>(process.hProcess);
}

std::optional<int> WaitProcess(std::intptr_t handle, std::chrono::milliseconds timeout) {
  const HANDLE process = reinterpret_cast<HANDLE>(handle);
  const DWORD wait = static_cast<DWORD>(std::min<long long>(timeout.count(), INFINITE - 1));
  if (WaitForSingleObject(process, wait) == WAIT_TIMEOUT) return std::nullopt;
  DWORD code = 0;
  const bool got = GetExitCodeProcess(process, &code) != 0;
  CloseHandle(process);
  // An exit code past 255 is an exception's status (0xC0000005 and the like), not a result.
  if (!got || code > 255) {
    std::fprintf(stderr, "child process ended abnormally (status 0x%08lX)\n", code);
    return kChildEndedAbnormally;
  }
  return static_cast<int>(code);
}

void EndProcess(std::intptr_t handle) noexcept {
  const HANDLE process = reinterpret_cast<HANDLE>(handle);
  TerminateProcess(process, 1);
  WaitForSingleObject(process, INFINITE);
  CloseHandle(process);
}

}  // namespace testsupport::detail
