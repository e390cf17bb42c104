// The emulated machine on POSIX: its folder, the current account and the machine-wide lock.
#include "platform/machine.h"

#include <errno.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "platform/emulation/machine_folder.h"

namespace platform {
namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string HomeFolder() {
  std::string home = Variable("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr)
    home = found->pw_dir;
  return home;
}

}  // namespace

namespace detail {

bool MakeFolders(const std::string& folder) {
  if (folder.empty()) return false;
  for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    const std::string part = folder.substr(0, pos);
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return false;
  }
  struct stat info{};
  return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MachineFolderName(std::string& folder) {
  std::string path = Variable("ORVANE_PREFIX");
  if (path.empty()) {
    std::string data = Variable("XDG_DATA_HOME");
    if (data.empty()) {
      const std::string home = HomeFolder();
      if (home.empty()) return false;
      data = home + "/.local/share";
    }
    path = data + "/orvane";
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  folder = std::move(path);
  return true;
}

}  // namespace detail

namespace {

// The process-wide side of MachineLock: one lock file descriptor and a nesting count, guarded
// by a recursive mutex that the owning thread keeps while it holds the lock, so other threads
// of the process wait on the mutex rather than on the file. A MachineLock marks its holder
// with the process id: a child made by fork does not hold its parent's lock, and releasing
// the copy it inherited releases nothing.
struct LockState {
  std::recursive_mutex thread_lock;
  int count = 0;
  int fd = -1;
  pid_t pid = 0;
};

LockState& TheLockState() {
  // Never destroyed: static objects of other files may still lock while the program ends.
  static LockState* const state = new LockState;
  return *state;
}

}  // namespace

bool MachineFolder(std::string& folder) {
  std::string path;
  if (!detail::MachineFolderName(path) || !detail::MakeFolders(path)) return false;
  if (path.back() != '/') path += '/';
  folder = std::move(path);
  return true;
}

std::string AccountName() {
  std::string name = Variable("ORVANE_USER");
  if (!name.empty()) return name;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr && found->pw_name[0] != '\0')
    return found->pw_name;
  name = Variable("LOGNAME");
  if (!name.empty()) return name;
  return std::to_string(geteuid());
}

long MachineLock::Acquire() {
  if (held()) return kErrorSuccess;
  LockState& state = TheLockState();
  const pid_t pid = getpid();
  state.thread_lock.lock();
  if (state.pid != pid) {
    // Inherited through fork: the descriptor shares the parent's lock, so this process must
    // take one of its own. Closing our copy does not release the parent's.
    if (state.fd >= 0) close(state.fd);
    state.fd = -1;
    state.count = 0;
    state.pid = pid;
  }
  if (state.count == 0) {
    std::string folder;
    int fd = -1;
    if (MachineFolder(folder)) {
      const std::string path = folder + "machine.lock";
      fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    }
    if (fd >= 0) {
      int result;
      do result = flock(fd, LOCK_EX);
      while (result != 0 && errno == EINTR);
      if (result != 0) {
        close(fd);
        fd = -1;
      }
    }
    if (fd < 0) {
      state.thread_lock.unlock();
      return kErrorRegistryIoFailed;
    }
    state.fd = fd;
  }
  ++state.count;
  owner_ = static_cast<std::uintptr_t>(pid);
  return kErrorSuccess;
}

void MachineLock::Release() noexcept {
  if (!held()) return;
  const bool mine = owner_ == static_cast<std::uintptr_t>(getpid());
  owner_ = 0;
  // A copy of a held lock inherited through fork is the parent's; there is nothing to release.
  if (!mine) return;
  LockState& state = TheLockState();
  if (--state.count == 0) {
    close(state.fd);
    state.fd = -1;
  }
  state.thread_lock.unlock();
}

}  // namespace platform
