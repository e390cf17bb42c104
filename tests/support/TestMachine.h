// A machine of its own for one test: the registry and the machine-wide lock it uses start
// empty and are shared with no other test, only with the child processes it starts.
//
// The POSIX backend emulates the machine in the folder ORVANE_PREFIX names and the account in
// ORVANE_USER (platform/machine.h): this object points both at a temporary folder and the
// account "alice" until it is destroyed, and children inherit them with the environment. A
// backend over the system's own registry ignores both variables: there the registry tests
// work below a key of their own (ScratchKey.h), and the machine-wide lock is the machine's.
#pragma once

#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace testsupport {

class TestMachine {
 public:
  TestMachine() {
    env_.Set("ORVANE_PREFIX", (dir_.path() / "machine").string().c_str()).Set("ORVANE_USER", "alice");
  }
  TestMachine(const TestMachine&) = delete;
  TestMachine& operator=(const TestMachine&) = delete;

 private:
  TempDir dir_;
  ScopedEnv env_;
};

}  // namespace testsupport
