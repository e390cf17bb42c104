// The machine and the account the program runs on, and the machine-wide lock.
//
// The Windows backend asks the system for the account. On POSIX both are emulated. ORVANE_PREFIX names the machine's folder (default
// ${XDG_DATA_HOME:-$HOME/.local/share}/orvane), which holds the registry database and the
// machine-wide lock; ORVANE_USER names the account (default the login name). An empty
// variable counts as unset. Both are read at every call, so a process that changes them
// moves to another machine or account from its next call on; tests use that to isolate
// themselves and to play several accounts.
#pragma once

#include <cstdint>
#include <string>

#include "platform/result_codes.h"

namespace platform {

// The emulated machine's folder, ending with '/', created with its parents on first use.
// Fails, leaving `folder` unchanged, when no folder can be named (no prefix, no data home,
// no home) or it cannot be created. On Windows there is no such folder: always false.
[[nodiscard]] bool MachineFolder(std::string& folder);

// The current account's name (ORVANE_USER, else the login name, else the numeric user id).
// Never empty.
[[nodiscard]] std::string AccountName();

// The machine-wide lock, which makes a read-then-write sequence of the registry atomic across
// processes (POSIX: a lock file in the machine folder; Windows: a named mutex). Held from a
// successful Acquire until Release or destruction. It belongs to the thread and process that
// acquired it; acquiring again in the same thread nests. Not movable.
class MachineLock {
 public:
  MachineLock() noexcept = default;
  ~MachineLock() { Release(); }
  MachineLock(const MachineLock&) = delete;
  MachineLock& operator=(const MachineLock&) = delete;

  // Waits until this thread holds the lock. kErrorRegistryIoFailed when the lock cannot be
  // made (no machine folder); the lock is then not held. Acquiring a held object does nothing.
  [[nodiscard]] long Acquire();
  void Release() noexcept;
  [[nodiscard]] bool held() const noexcept { return owner_ != 0; }

 private:
  std::uintptr_t owner_ = 0;  // the backend's mark of the holder; 0 when not held
};

}  // namespace platform
