// The environment step of tests/support/ScopedEnv.h on POSIX, where no test runs under Wine.
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/ScopedEnv.h"
#include "tests/support/Wine.h"

namespace testsupport {

void SetEnvVariable(const std::string& name, const char* value) {
  // A test whose environment silently stayed as it was would test something else: stop.
  if ((value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str())) != 0) {
    std::fprintf(stderr, "cannot set the environment variable '%s'\n", name.c_str());
    std::abort();
  }
}

bool UnderWine() { return false; }

}  // namespace testsupport
