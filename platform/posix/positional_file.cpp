// Positional reads on POSIX: pread on a descriptor opened by OpenForReading.
#include "platform/emulation/positional_file.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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

bool PositionalFile::ReadFile(std::uint64_t offset, std::uint64_t n, unsigned char* out) {
  std::uint64_t done = 0;
  while (done < n) {
    const ssize_t got = pread(static_cast<int>(handle_), out + done, n - done, static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;  // an error, or the file shrank
    done += static_cast<std::uint64_t>(got);
  }
  return true;
}

std::optional<std::vector<unsigned char>> PositionalFile::Read(std::uint64_t offset, std::uint64_t n) {
  if (handle_ == kNone || offset > size_ || n > size_ - offset) return std::nullopt;
  const auto direct = [&]() -> std::optional<std::vector<unsigned char>> {
    std::vector<unsigned char> bytes(n);
    if (!ReadFile(offset, n, bytes.data())) return std::nullopt;
    return bytes;
  };
  if (n > kWindowBytes) return direct();
  if (offset < window_at_ || offset + n > window_at_ + window_.size()) {
    // A new window from `offset` on, as far as the file went when it was opened; where it
    // has shrunk since, the bytes asked for alone.
    const std::uint64_t length = std::min(kWindowBytes, size_ - offset);
    window_.resize(length);
    window_at_ = offset;
    if (!ReadFile(offset, length, window_.data())) {
      window_.clear();
      return direct();
    }
  }
  const auto from = window_.begin() + static_cast<std::ptrdiff_t>(offset - window_at_);
  return std::vector<unsigned char>(from, from + static_cast<std::ptrdiff_t>(n));
}

}  // namespace platform::detail
