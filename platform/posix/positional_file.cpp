// Positional reads on POSIX: pread on a descriptor opened by OpenForReading.
#include "platform/emulation/positional_file.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/atomic_file.h"

namespace platform::detail {

PositionalFile::PositionalFile(const std::string& path, std::uint64_t max_bytes) {
  struct stat status{};
  FileDescriptor fd;
  if (OpenForReading(path, max_bytes, fd, &status) != ReadStatus::kRead) return;
  size_ = static_cast<std::uint64_t>(status.st_size);
  handle_ = fd.Release();
}

PositionalFile::~PositionalFile() {
  if (handle_ != kNone) const FileDescriptor closing(static_cast<int>(handle_));
}

std::optional<std::vector<unsigned char>> PositionalFile::Read(std::uint64_t offset, std::uint64_t n) {
  if (handle_ == kNone || offset > size_ || n > size_ - offset) return std::nullopt;
  std::vector<unsigned char> bytes(n);
  std::uint64_t done = 0;
  while (done < n) {
    const ssize_t got = pread(static_cast<int>(handle_), bytes.data() + done, n - done,
                              static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return std::nullopt;  // an error, or the file shrank
    done += static_cast<std::uint64_t>(got);
  }
  return bytes;
}

}  // namespace platform::detail
