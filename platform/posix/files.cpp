// File services on POSIX.
#include "platform/files.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/auxv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "platform/posix/atomic_file.h"

namespace platform {
namespace {

bool ReadLink(const char* link, std::string& target) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = readlink(link, buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) < buffer.size()) {
      target.assign(buffer.data(), static_cast<std::size_t>(length));
      return true;
    }
    if (buffer.size() >= (std::size_t{1} << 20)) return false;
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

bool ProgramFile(std::string& path) {
  std::string found;
  if (!ReadLink("/proc/self/exe", found) || found.empty() || found.front() != '/') {
    // Without /proc: the name the program was started with, made absolute.
    const auto* name = reinterpret_cast<const char*>(getauxval(AT_EXECFN));
    if (name == nullptr) return false;
    const std::unique_ptr<char, decltype(&std::free)> full(realpath(name, nullptr), &std::free);
    if (!full) return false;
    found = full.get();
  }
  path = std::move(found);
  return true;
}

bool ProgramFolder(std::string& folder) {
  std::string path;
  if (!ProgramFile(path)) return false;
  folder = path.substr(0, path.rfind('/') + 1);
  return true;
}

bool CurrentFolder(std::string& folder) {
  std::vector<char> buffer(256);
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() >= (std::size_t{1} << 20)) return false;
    buffer.resize(buffer.size() * 2);
  }
  std::string found = buffer.data();
  if (found.empty() || found.front() != '/') return false;  // "(unreachable)" and the like
  if (found.back() != '/') found += '/';
  folder = std::move(found);
  return true;
}

bool FileExists(const char* path) {
  struct stat status{};
  return path != nullptr && stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

bool FileReadable(const char* path) {
  if (path == nullptr) return false;
  detail::FileDescriptor fd;
  return detail::OpenForReading(path, UINT64_MAX, fd) == detail::ReadStatus::kRead;
}

bool CopyFileAtomic(const char* from, const char* to, bool fail_if_exists) {
  if (from == nullptr || to == nullptr) return false;
  detail::FileDescriptor source;
  struct stat status{};
  bool ok = detail::OpenForReading(from, UINT64_MAX, source, &status) == detail::ReadStatus::kRead;
  if (ok) {
    const std::string target = detail::WriteTarget(to);
    detail::PathLock lock;
    struct stat existing{};
    ok = lock.Acquire(target) && !(fail_if_exists && lstat(target.c_str(), &existing) == 0);
    if (ok) {
      detail::ReplaceOptions options;
      options.mode_from = &status;
      options.times_from = &status;
      options.fail_if_exists = fail_if_exists;
      ok = detail::ReplaceFileFrom(target, source.get(), options);
    }
  }
  return ok;
}

}  // namespace platform
