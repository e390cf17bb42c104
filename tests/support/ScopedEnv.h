// Sets or clears environment variables for the life of a test and restores them afterwards.
// Child processes started meanwhile (tests/support/ChildProcess.h) inherit the changes.
//
// The one system step, SetEnvVariable, is each backend's (tests/support/<backend>/). On
// POSIX a variable set to "" exists and is empty; the Windows runtime removes a variable set
// to "" instead. The platform layer reads an empty variable as unset, so both mean the same
// to it; a test that means "not set" passes null.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// Sets `name` to `value` in this process's environment (the copy that getenv reads and
// child processes inherit), or removes it when `value` is null. POSIX: setenv/unsetenv;
// Windows: _putenv_s, which updates the runtime's and the system's copies together.
void SetEnvVariable(const std::string& name, const char* value);

class ScopedEnv {
 public:
  ScopedEnv() = default;
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;
  // Puts back every variable this object changed, in reverse order, so a variable set twice
  // ends as it was before the first Set.
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
      SetEnvVariable(it->first, it->second ? it->second->c_str() : nullptr);
  }

  // Sets `name` to `value`, or removes it when `value` is null.
  ScopedEnv& Set(const std::string& name, const char* value) {
    const char* old = std::getenv(name.c_str());
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    SetEnvVariable(name, value);
    return *this;
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace testsupport
