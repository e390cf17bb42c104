// Reading files safely, whole-file reads and atomic whole-file replacement on POSIX, and the
// lock file that serialises the platform layer's writers of one file across processes.
//
// Every reader of the platform layer opens its files through OpenForReading: without
// blocking (a FIFO in a file's place would otherwise wait for a writer forever), only regular
// files (a device such as /dev/zero never ends) and only up to a size limit of the caller's
// choosing, so that no file can make a reader hang or exhaust memory.
//
// A writer holds the lock of the file it writes, makes the new content in a temporary file
// ".<name>.<pid>.<number>.tmp" in the same folder, flushes it to disk and renames it over
// the file, so a reader (which takes no lock) sees the old or the new file, never a part,
// and a writer killed at any moment leaves the old file, and at worst its temporary file.
// The next writer of the file removes those: temporary files of a file are only made and
// removed under its lock, so while a writer holds the lock, any other temporary file of that
// file belongs to a writer that died. (Only if someone removed a held lock file could a
// second writer run; removing its temporary file then makes its rename, and its write,
// fail: the file stays whole.) A name longer than 128 bytes is cut in temporary names, which
// two files could then share, so those files' temporaries are left alone.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::detail {

// Files larger than this are treated as unreadable rather than read into memory.
inline constexpr std::uint64_t kMaxFileBytes = 256u << 20;

enum class ReadStatus { kRead, kMissing, kFailed };

// An open file descriptor, closed by destruction; -1 when there is none.
class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor();
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  FileDescriptor& operator=(FileDescriptor&& other) noexcept;
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;

  [[nodiscard]] int get() const { return fd_; }
  // Hands the descriptor to the caller, who closes it; this object is empty afterwards.
  [[nodiscard]] int Release() noexcept {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Opens `path` for reading without blocking, when it names (after links) a regular file of
// at most `limit` bytes; its status at opening goes to `info` when given. kMissing when
// nothing of that name exists; kFailed when it is something else (a folder, FIFO, device or
// socket), larger than `limit`, or cannot be opened. `fd` is set only on kRead.
[[nodiscard]] ReadStatus OpenForReading(const std::string& path, std::uint64_t limit, FileDescriptor& fd,
                                        struct stat* info = nullptr);

// Reads the regular file `path` whole into `bytes`, and its status at opening into `info`
// when given. kMissing when nothing of that name exists; kFailed when it is not a regular
// file, cannot be read, is larger than `limit` or does not fit in memory. `bytes` is changed
// only on kRead.
[[nodiscard]] ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, struct stat* info = nullptr,
                                       std::uint64_t limit = kMaxFileBytes);

// The file a write to `path` must replace: `path` itself, or the final target when it is a
// symbolic link (renaming over the link would turn it into a plain file).
[[nodiscard]] std::string WriteTarget(const std::string& path);

// The exclusive lock of one file: the lock file "<path>.lock", which the holder removes when
// it releases the lock. Released by destruction. Not movable.
class PathLock {
 public:
  PathLock() = default;
  ~PathLock();
  PathLock(const PathLock&) = delete;
  PathLock& operator=(const PathLock&) = delete;

  // Waits until this object holds the lock of `path`. False when the lock file cannot be
  // made (for example in a read-only folder).
  [[nodiscard]] bool Acquire(const std::string& path);

 private:
  int fd_ = -1;
  std::string lock_path_;
};

// What the replacement file's status should copy; null fields leave the defaults.
struct ReplaceOptions {
  const struct stat* mode_from = nullptr;   // permission bits (default: 0666 less the umask)
  const struct stat* times_from = nullptr;  // access and modification times (default: now)
  bool fail_if_exists = false;              // do not replace an existing file
};

// Replaces (or creates) `path` with `bytes` through a temporary file, flush and rename, first
// removing the temporary files of `path` that writers which died left. The caller holds the
// file's PathLock. False, with `path` unchanged, on any failure (also when `fail_if_exists`
// is set and the file exists).
[[nodiscard]] bool ReplaceFile(const std::string& path, std::string_view bytes, const ReplaceOptions& options = {});

// The same with the content read from the open descriptor `from` until its end.
[[nodiscard]] bool ReplaceFileFrom(const std::string& path, int from, const ReplaceOptions& options = {});

}  // namespace platform::detail
