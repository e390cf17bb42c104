// tests/support/IsolatedRegistry.h on Windows: the predefined roots redirected to keys of the
// test's own (RegOverridePredefKey).
#include "tests/support/IsolatedRegistry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "platform/win32/win32_api.h"

namespace testsupport {
namespace {

struct Redirect {
  HKEY root;
  const char* name;
};
// As on Windows, the current user's key is one of HKEY_USERS' subkeys. Made in this order.
const Redirect kRoots[] = {
    {HKEY_LOCAL_MACHINE, "LocalMachine"}, {HKEY_USERS, "Users"}, {HKEY_CURRENT_USER, "Users\\TestAccount"}};

std::string UniqueName() {
  // The clock besides the random device: some runtimes' devices repeat across processes.
  static std::mt19937_64 generator(
      std::random_device{}() ^
      static_cast<std::uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count()));
  return std::to_string(generator());
}

}  // namespace

struct IsolatedRegistry::State {
  std::string path;  // below the system's HKEY_CURRENT_USER
  HKEY keys[3] = {};
  bool redirected[3] = {};

  void SetUp();
};

IsolatedRegistry::IsolatedRegistry(const std::filesystem::path&) : state_(std::make_unique<State>()) {
  state_->SetUp();
  // The test would go on in the system's own registry, and may delete keys there: stop.
  if (!state_->redirected[2]) {
    std::fprintf(stderr, "the test's registry could not be set up\n");
    std::abort();
  }
}

// Stops at the first failure (a fatal GoogleTest failure); the destructor undoes what was done.
void IsolatedRegistry::State::SetUp() {
  State& s = *this;
  for (int attempt = 0; attempt < 8 && s.path.empty(); ++attempt) {
    const std::string candidate = "Software\\TidewellTests\\" + UniqueName();
    HKEY key = nullptr;
    DWORD disposition = 0;
    const LSTATUS error = RegCreateKeyExA(HKEY_CURRENT_USER, candidate.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                          nullptr, &key, &disposition);
    ASSERT_EQ(error, ERROR_SUCCESS) << "cannot create " << candidate;
    RegCloseKey(key);
    if (disposition == REG_CREATED_NEW_KEY) s.path = candidate;  // else someone else's: try another
  }
  ASSERT_FALSE(s.path.empty()) << "no unused key name for the test's registry";
  // Every key is made before the first redirection, which also moves HKEY_CURRENT_USER.
  for (int i = 0; i < 3; ++i) {
    const std::string root = s.path + "\\" + kRoots[i].name;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, root.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &s.keys[i],
                              nullptr),
              ERROR_SUCCESS)
        << root;
    if (kRoots[i].root != HKEY_USERS) {
      HKEY software = nullptr;
      ASSERT_EQ(RegCreateKeyExA(s.keys[i], "Software", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &software, nullptr),
                ERROR_SUCCESS);
      RegCloseKey(software);
    }
  }
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(RegOverridePredefKey(kRoots[i].root, s.keys[i]), ERROR_SUCCESS) << kRoots[i].name;
    s.redirected[i] = true;
  }
}

IsolatedRegistry::~IsolatedRegistry() {
  State& s = *state_;
  for (int i = 0; i < 3; ++i) {
    if (s.redirected[i]) {
      EXPECT_EQ(RegOverridePredefKey(kRoots[i].root, nullptr), ERROR_SUCCESS) << kRoots[i].name;
    }
    if (s.keys[i] != nullptr) RegCloseKey(s.keys[i]);
  }
  if (!s.path.empty()) {
    EXPECT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, s.path.c_str()), ERROR_SUCCESS) << s.path;
  }
}

}  // namespace testsupport
