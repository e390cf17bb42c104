// An empty registry for one test of code that works below the fixed roots
// (HKEY_LOCAL_MACHINE\Software\<company>\...) and expects to find only what the test put there:
// the settings store and the installed-products list.
//
// POSIX: an emulated machine of its own in `folder`/machine with the account "alice"
// (ORVANE_PREFIX, ORVANE_USER, as TestMachine.h); child processes inherit it.
// Windows: this process's HKEY_LOCAL_MACHINE, HKEY_USERS and HKEY_CURRENT_USER are redirected
// (RegOverridePredefKey) to empty keys below HKEY_CURRENT_USER\Software\TidewellTests, which
// go when the object goes; the current user's key is HKEY_USERS' one subkey, as on Windows.
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER hold an empty "Software" key, as real ones do.
// Only this process sees the redirection: a child process sees the system's registry.
#pragma once

#include <filesystem>
#include <memory>

namespace testsupport {

class IsolatedRegistry {
 public:
  // When the registry cannot be set up, the test fails and, on Windows, the program stops
  // (the test would otherwise work in the system's own registry).
  explicit IsolatedRegistry(const std::filesystem::path& folder);
  ~IsolatedRegistry();
  IsolatedRegistry(const IsolatedRegistry&) = delete;
  IsolatedRegistry& operator=(const IsolatedRegistry&) = delete;

 private:
  struct State;  // each backend's
  std::unique_ptr<State> state_;
};

}  // namespace testsupport
