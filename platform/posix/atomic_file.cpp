// Whole-file reads, atomic replacement and per-file lock files on POSIX.
#include "platform/posix/atomic_file.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>

namespace platform::detail {
namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool CopyAll(int from, int to) {
  char buffer[65536];
  for (;;) {
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got == 0) return true;
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(to, buffer, static_cast<std::size_t>(got))) return false;
  }
}

// Temporary names hold at most this much of the file's name, so that they stay within the
// file system's name limit.
constexpr std::size_t kMaxNameInTemporary = 128;

bool AllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether `entry` is a temporary name of the file `name`: ".<name>.<pid>.<number>.tmp".
bool IsTemporaryOf(std::string_view entry, std::string_view name) {
  if (entry.size() <= name.size() + 2 || entry[0] != '.' || entry.substr(1, name.size()) != name ||
      entry[name.size() + 1] != '.' || !entry.ends_with(".tmp"))
    return false;
  const std::string_view numbers = entry.substr(name.size() + 2, entry.size() - name.size() - 2 - 4);
  const std::size_t dot = numbers.find('.');
  return dot != std::string_view::npos && AllDigits(numbers.substr(0, dot)) && AllDigits(numbers.substr(dot + 1));
}

// Removes the temporary files that writers of `path` which died left; the caller holds the
// file's lock. Best effort: an unreadable folder leaves them.
void RemoveLeftoverTemporaries(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name.size() > kMaxNameInTemporary) return;
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* listing = fdopendir(fd);
  if (listing == nullptr) {
    close(fd);
    return;
  }
  while (const dirent* entry = readdir(listing)) {
    // A folder of that name is not a writer's: unlinkat without AT_REMOVEDIR leaves it.
    if (IsTemporaryOf(entry->d_name, name)) (void)unlinkat(fd, entry->d_name, 0);
  }
  closedir(listing);
}

// Opens a new temporary file beside `path`; -1 on failure.
int MakeTemporary(const std::string& path, std::string& temporary) {
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name =
      (slash == std::string::npos ? path : path.substr(slash + 1)).substr(0, kMaxNameInTemporary);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary = folder + "." + name + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void SyncFolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  // The rename is made; this only makes it durable across a power loss, so a failure here
  // does not make the replacement fail.
  (void)fsync(fd);
  close(fd);
}

template <typename Fill>
bool Replace(const std::string& path, const ReplaceOptions& options, Fill fill) {
  RemoveLeftoverTemporaries(path);
  std::string temporary;
  const int fd = MakeTemporary(path, temporary);
  if (fd < 0) return false;
  bool ok = fill(fd);
  if (ok && options.mode_from != nullptr) ok = fchmod(fd, options.mode_from->st_mode & 07777) == 0;
  if (ok && options.times_from != nullptr) {
    const timespec times[2] = {options.times_from->st_atim, options.times_from->st_mtim};
    ok = futimens(fd, times) == 0;
  }
  if (ok) ok = fsync(fd) == 0;
  if (close(fd) != 0) ok = false;
  if (ok) {
    if (options.fail_if_exists) {
      // link, unlike rename, refuses an existing name, and does so atomically.
      ok = link(temporary.c_str(), path.c_str()) == 0;
    } else {
      ok = rename(temporary.c_str(), path.c_str()) == 0;
      if (ok) temporary.clear();
    }
  }
  if (!temporary.empty()) unlink(temporary.c_str());
  if (ok) SyncFolderOf(path);
  return ok;
}

}  // namespace

FileDescriptor::~FileDescriptor() {
  if (fd_ >= 0) close(fd_);
}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) close(fd_);
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

ReadStatus OpenForReading(const std::string& path, std::uint64_t limit, FileDescriptor& fd, struct stat* info) {
  // O_NONBLOCK makes opening a FIFO return at once instead of waiting for a writer; on a
  // regular file it changes nothing.
  FileDescriptor opened(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (!opened) return errno == ENOENT || errno == ENOTDIR ? ReadStatus::kMissing : ReadStatus::kFailed;
  struct stat status{};
  if (fstat(opened.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
      static_cast<std::uint64_t>(status.st_size) > limit)
    return ReadStatus::kFailed;
  fd = std::move(opened);
  if (info != nullptr) *info = status;
  return ReadStatus::kRead;
}

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, struct stat* info, std::uint64_t limit) {
  FileDescriptor fd;
  struct stat status{};
  if (const ReadStatus opened = OpenForReading(path, limit, fd, &status); opened != ReadStatus::kRead) return opened;
  try {
    std::string content;
    content.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[65536];
    for (;;) {
      const ssize_t got = read(fd.get(), buffer, sizeof buffer);
      if (got == 0) break;
      if (got < 0) {
        if (errno == EINTR) continue;
        return ReadStatus::kFailed;
      }
      content.append(buffer, static_cast<std::size_t>(got));
      // The file may have grown since it was measured.
      if (content.size() > limit) return ReadStatus::kFailed;
    }
    bytes = std::move(content);
  } catch (const std::bad_alloc&) {
    return ReadStatus::kFailed;
  }
  if (info != nullptr) *info = status;
  return ReadStatus::kRead;
}

std::string WriteTarget(const std::string& path) {
  struct stat status{};
  if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return path;
  const std::unique_ptr<char, decltype(&std::free)> target(realpath(path.c_str(), nullptr), &std::free);
  // A dangling link has no target to write; the file then takes the link's place.
  return target ? std::string(target.get()) : path;
}

PathLock::~PathLock() {
  if (fd_ < 0) return;
  // Removed while still held: a waiter that gets this file's lock afterwards sees that the
  // name no longer leads to it and starts over with a new file.
  unlink(lock_path_.c_str());
  close(fd_);
}

bool PathLock::Acquire(const std::string& path) {
  if (fd_ >= 0) return true;
  const std::string lock_path = path + ".lock";
  for (;;) {
    const int fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return false;
    int result;
    do result = flock(fd, LOCK_EX);
    while (result != 0 && errno == EINTR);
    struct stat held{};
    struct stat named{};
    if (result != 0 || fstat(fd, &held) != 0) {
      close(fd);
      return false;
    }
    const int found = stat(lock_path.c_str(), &named);
    if (found == 0 && held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
      fd_ = fd;
      lock_path_ = lock_path;
      return true;
    }
    // The previous holder removed the file this descriptor locks: start over with a new one.
    const bool replaced = found == 0 || errno == ENOENT;
    close(fd);
    if (!replaced) return false;
  }
}

bool ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options) {
  return Replace(path, options, [bytes](int fd) { return WriteAll(fd, bytes.data(), bytes.size()); });
}

bool ReplaceFileFrom(const std::string& path, int from, const ReplaceOptions& options) {
  return Replace(path, options, [from](int fd) { return CopyAll(from, fd); });
}

}  // namespace platform::detail
