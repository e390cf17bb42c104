// Child processes for tests of behaviour across processes, on every backend: the test
// program starts itself again to run a named body instead of the tests.
//
//   TIDEWELL_CHILD(WriteValue) {                       // `args`: the strings given below
//     return platform::WriteProfileEntry("S", "k", args.at(1).c_str(), args.at(0).c_str()) ? 0 : 1;
//   }
//   ...
//   EXPECT_EQ(testsupport::RunChild("WriteValue", {file, "2"}), 0);
//
// A child is the program's own file (platform::ProgramFile) started with the arguments
// "--tidewell-child=<name>" and `args`. The program's main (tests/support/TestMain.cpp)
// passes them to RunChildIfAsked, which runs the body and ends the process with its result
// before any test runs. The child inherits the environment (ScopedEnv changes included) and
// the current folder, and nothing else: no memory, no open connection, no lock. What it needs
// travels in its arguments and files; what it finds comes back as its exit code or in files.
//
// Starting and waiting are each backend's (tests/support/<backend>/ChildProcess.cpp, the
// three functions in `detail` below): posix_spawn and waitpid on POSIX, CreateProcess,
// WaitForSingleObject, GetExitCodeProcess and TerminateProcess on Windows. Arguments reach
// the body byte for byte (the Windows backend quotes them for the command line; they are
// 8-bit text in the ANSI code page there).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// What a body returns: its result 0..255 (anything else is reported and becomes 255).
using ChildBody = int (*)(const std::vector<std::string>& args);

// What a wait gives when no body result came back.
inline constexpr int kChildNotStarted = -1;       // the program could not be started
inline constexpr int kChildTimedOut = -2;         // still running at the deadline: it was ended
inline constexpr int kChildEndedAbnormally = -3;  // killed or crashed (a signal, an exception)
// Results of the child itself when its body did not run to the end.
inline constexpr int kChildUnknownBody = 253;  // no body of that name in this program
inline constexpr int kChildBodyThrew = 254;    // the body let an exception out

// Adds `body` to this program's child bodies under `name`, for TIDEWELL_CHILD. A name used
// twice in one program is a mistake in the tests: it is reported and the program aborts.
bool RegisterChildBody(std::string_view name, ChildBody body);

// Defines the child body `name` (an identifier, unique in the program) with the parameter
// `args`; it returns the child's result.
#define TIDEWELL_CHILD(name)                                                                     \
  static int TidewellChildBody_##name(const std::vector<std::string>& args);                     \
  [[maybe_unused]] static const bool tidewell_child_registered_##name =                          \
      ::testsupport::RegisterChildBody(#name, &TidewellChildBody_##name);                        \
  static int TidewellChildBody_##name([[maybe_unused]] const std::vector<std::string>& args)

// A running child process, ended and waited for at the latest when destroyed. Move-only.
class ChildProcess {
 public:
  static constexpr std::chrono::milliseconds kDefaultTimeout{std::chrono::seconds(60)};

  ChildProcess() noexcept = default;
  // Starts the body `name` of this program with `args`. started() tells whether it runs.
  ChildProcess(std::string_view name, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  [[nodiscard]] bool started() const noexcept {
    return handle_ != 0 || (result_.has_value() && *result_ != kChildNotStarted);
  }

  // Waits up to `timeout` for the child to end and returns the body's result, or one of the
  // kChild... codes above; a child still running at the deadline is ended first. Later calls
  // return the same value at once.
  [[nodiscard]] int Wait(std::chrono::milliseconds timeout = kDefaultTimeout);

 private:
  std::intptr_t handle_ = 0;  // the backend's process handle; 0 once waited for or never started
  std::optional<int> result_;
};

// Starts the body `name` with `args` and waits for its result (ChildProcess::Wait).
[[nodiscard]] int RunChild(std::string_view name, const std::vector<std::string>& args = {},
                           std::chrono::milliseconds timeout = ChildProcess::kDefaultTimeout);

// For the program's main: when its arguments name a child body, runs it and returns the
// result to end the process with; std::nullopt when the program runs as a test program.
[[nodiscard]] std::optional<int> RunChildIfAsked(int argc, char** argv);

namespace detail {

// The backend's part. StartProcess starts `program` with `arguments` (not including the
// program itself) in the current environment and folder and returns a handle, 0 when it
// cannot. WaitProcess waits up to `timeout`: the exit code 0..255 or kChildEndedAbnormally
// once the process has ended (the handle is then released), std::nullopt while it runs.
// EndProcess ends a running process at once, waits for it and releases the handle.
[[nodiscard]] std::intptr_t StartProcess(const std::string& program, const std::vector<std::string>& arguments);
[[nodiscard]] std::optional<int> WaitProcess(std::intptr_t handle, std::chrono::milliseconds timeout);
void EndProcess(std::intptr_t handle) noexcept;

}  // namespace detail
}  // namespace testsupport
