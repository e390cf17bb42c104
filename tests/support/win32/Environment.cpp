// The environment step of tests/support/ScopedEnv.h on Windows: _putenv_s updates the
// runtime's copy (getenv) and the process's own (what CreateProcess hands to children).
#include <cstdio>
#include <cstdlib>

#include "tests/support/ScopedEnv.h"

namespace testsupport {

void SetEnvVariable(const std::string& name, const char* value) {
  // A test whose environment silently stayed as it was would test something else: stop.
  if (_putenv_s(name.c_str(), value != nullptr ? value : "") != 0) {
    std::fprintf(stderr, "cannot set the environment variable '%s'\n", name.c_str());
    std::abort();
  }
}

}  // namespace testsupport
