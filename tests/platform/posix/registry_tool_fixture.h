// Runs orvane-reg as a program in a test machine of its own: a temporary machine folder and
// the account "alice".
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"
#include "tests/support/posix/OtherAccount.h"

namespace registrytool {

namespace fs = std::filesystem;

struct Result {
  int code = -1;
  std::string out;
  std::string err;
};

// How orvane-reg runs.
struct How {
  bool other_account = false;  // as an account without write access to the test's files
  rlim_t stack = 0;            // with this limit for its stack, when not 0
  std::string input{};         // a file to read as standard input, when not empty
};

class RegistryTool : public ::testing::Test {
 protected:
  RegistryTool() {
    chmod(dir_.path().c_str(), 0755);  // for another account
    env_.Set("ORVANE_PREFIX", machine().c_str()).Set("ORVANE_USER", "alice");
  }

  fs::path machine() const { return dir_.path() / "machine"; }

  static constexpr int kNoOtherAccount = 122;

  // Runs orvane-reg with `args` in this test's environment (kNoOtherAccount when it should
  // run as another account and there is none).
  Result Run(const std::vector<std::string>& args, How how = {}) const {
    const std::string out = (dir_.path() / "stdout").string(), err = (dir_.path() / "stderr").string();
    const pid_t child = testsupport::Spawn([&] {
      const int out_fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      const int err_fd = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
      if (out_fd < 0 || err_fd < 0 || dup2(out_fd, 1) < 0 || dup2(err_fd, 2) < 0) return 120;
      if (!how.input.empty()) {
        const int in_fd = open(how.input.c_str(), O_RDONLY);
        if (in_fd < 0 || dup2(in_fd, 0) < 0) return 120;
      }
      if (how.other_account && !testsupport::DropSuperuserRights()) return kNoOtherAccount;
      const rlimit stack{how.stack, how.stack};
      if (how.stack != 0 && setrlimit(RLIMIT_STACK, &stack) != 0) return 123;
      std::vector<char*> argv{const_cast<char*>(ORVANE_REG)};
      for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
      argv.push_back(nullptr);
      execv(ORVANE_REG, argv.data());
      return 121;
    });
    return {testsupport::Wait(child), testsupport::FileContents(out), testsupport::FileContents(err)};
  }

  testsupport::TempDir dir_;
  testsupport::ScopedEnv env_;
};

}  // namespace registrytool
