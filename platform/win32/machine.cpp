// The machine and the account on Windows: the account's name from the system, no machine
// folder, and the machine-wide lock as a named mutex in the global namespace.
#include "platform/machine.h"

#include <mutex>
#include <string>

#include "platform/win32/win32_api.h"

namespace platform {
namespace {

constexpr const char* kLockName = "Global\\OrvaneMachineLock";

// The process-wide side of MachineLock: one mutex handle, opened on first use. A Windows
// mutex already nests within its owning thread and belongs to it, as MachineLock's rules ask.
HANDLE LockHandle() {
  static std::once_flag once;
  static HANDLE handle = nullptr;
  std::call_once(once, [] {
    handle = CreateMutexA(nullptr, FALSE, kLockName);
    // Without the right to make global objects (a restricted session): this session's lock.
    if (handle == nullptr) handle = CreateMutexA(nullptr, FALSE, "Local\\OrvaneMachineLock");
  });
  return handle;
}

}  // namespace

bool MachineFolder(std::string&) { return false; }

std::string AccountName() {
  char name[257];
  DWORD size = sizeof name;
  if (GetUserNameA(name, &size) && size > 1) return std::string(name, size - 1);
  return "User";
}

long MachineLock::Acquire() {
  if (held()) return kErrorSuccess;
  const HANDLE handle = LockHandle();
  if (handle == nullptr) return kErrorRegistryIoFailed;
  // WAIT_ABANDONED: the last holder ended without releasing; the lock is ours now.
  const DWORD result = WaitForSingleObject(handle, INFINITE);
  if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) return kErrorRegistryIoFailed;
  owner_ = reinterpret_cast<std::uintptr_t>(handle);
  return kErrorSuccess;
}

void MachineLock::Release() noexcept {
  if (!held()) return;
  ReleaseMutex(reinterpret_cast<HANDLE>(owner_));
  owner_ = 0;
}

}  // namespace platform
