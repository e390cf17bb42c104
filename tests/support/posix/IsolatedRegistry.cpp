// tests/support/IsolatedRegistry.h on POSIX: the emulated machine's variables.
#include "tests/support/IsolatedRegistry.h"

#include "tests/support/ScopedEnv.h"

namespace testsupport {

struct IsolatedRegistry::State {
  ScopedEnv env;
};

IsolatedRegistry::IsolatedRegistry(const std::filesystem::path& folder) : state_(std::make_unique<State>()) {
  state_->env.Set("ORVANE_PREFIX", (folder / "machine").string().c_str()).Set("ORVANE_USER", "alice");
}

IsolatedRegistry::~IsolatedRegistry() = default;

}  // namespace testsupport
