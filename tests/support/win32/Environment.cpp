// The environment step of tests/support/ScopedEnv.h on Windows, and whether Wine runs us: _putenv_s updates the
// runtime's copy (getenv) and the process's own (what CreateProcess hands to children).
#include <cstdio>
#include <cstdlib>

#include "platform/win32/win32_api.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/Wine.h"

namespace testsupport {

void SetEnvVariable(const std::string& name, const char* value) {
  // A test whose environment silently stayed as it was would test something else: stop.
  if (_putenv_s(name.c_str(), value != nullptr ? value : "") != 0) {
    std::fprintf(stderr, "cannot set the environment variable '%s'\n", name.c_str());
    std::abort();
  }
}

// Wine's ntdll exports its version; Windows' does not.
bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace testsupport
