// The portable half of tests/support/ChildProcess.h: the table of child bodies, running one
// when asked, and the process object over the backend's start and wait.
#include "tests/support/ChildProcess.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <utility>

#include "platform/files.h"

namespace testsupport {
namespace {

constexpr std::string_view kChildArgument = "--tidewell-child=";

// Built on first use: the registrars run during static initialisation, in any file's order.
std::map<std::string, ChildBody, std::less<>>& Bodies() {
  static std::map<std::string, ChildBody, std::less<>> bodies;
  return bodies;
}

}  // namespace

bool RegisterChildBody(std::string_view name, ChildBody body) {
  if (!Bodies().emplace(std::string(name), body).second) {
    std::fprintf(stderr, "two child bodies are named '%.*s'\n", static_cast<int>(name.size()), name.data());
    std::abort();
  }
  return true;
}

std::optional<int> RunChildIfAsked(int argc, char** argv) {
  if (argc < 2 || !std::string_view(argv[1]).starts_with(kChildArgument)) return std::nullopt;
  const std::string_view name = std::string_view(argv[1]).substr(kChildArgument.size());
  const auto found = Bodies().find(name);
  if (found == Bodies().end()) {
    std::fprintf(stderr, "no child body named '%.*s'\n", static_cast<int>(name.size()), name.data());
    return kChildUnknownBody;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  int result = 0;
  try {
    result = found->second(args);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "child body '%s' threw: %s\n", found->first.c_str(), e.what());
    return kChildBodyThrew;
  } catch (...) {
    std::fprintf(stderr, "child body '%s' threw\n", found->first.c_str());
    return kChildBodyThrew;
  }
  if (result < 0 || result > 255) {
    // An exit code is one byte on POSIX: a larger result would arrive as another number.
    std::fprintf(stderr, "child body '%s' returned %d, outside 0..255\n", found->first.c_str(), result);
    return 255;
  }
  return result;
}

ChildProcess::ChildProcess(std::string_view name, const std::vector<std::string>& args) {
  std::string program;
  if (!platform::ProgramFile(program)) {
    result_ = kChildNotStarted;
    return;
  }
  std::vector<std::string> arguments;
  arguments.reserve(args.size() + 1);
  arguments.push_back(std::string(kChildArgument) + std::string(name));
  arguments.insert(arguments.end(), args.begin(), args.end());
  handle_ = detail::StartProcess(program, arguments);
  if (handle_ == 0) result_ = kChildNotStarted;
}

ChildProcess::~ChildProcess() {
  if (handle_ != 0) detail::EndProcess(handle_);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : handle_(std::exchange(other.handle_, 0)), result_(std::exchange(other.result_, std::nullopt)) {}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    if (handle_ != 0) detail::EndProcess(handle_);
    handle_ = std::exchange(other.handle_, 0);
    result_ = std::exchange(other.result_, std::nullopt);
  }
  return *this;
}

int ChildProcess::Wait(std::chrono::milliseconds timeout) {
  if (result_) return *result_;
  if (handle_ == 0) return kChildNotStarted;
  std::optional<int> result = detail::WaitProcess(handle_, timeout);
  if (!result) {
    detail::EndProcess(handle_);
    result = kChildTimedOut;
  }
  handle_ = 0;
  result_ = result;
  return *result;
}

int RunChild(std::string_view name, const std::vector<std::string>& args, std::chrono::milliseconds timeout) {
  return ChildProcess(name, args).Wait(timeout);
}

}  // namespace testsupport
