// A file read at positions of the reader's choice, for the emulation's parsers (the PE
// reader); each backend implements it with its own file calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace platform::detail {

// Open from construction until destruction. Only a regular file of at most `max_bytes` is
// opened, and opening never waits (a FIFO in the file's place is refused); otherwise the
// object is empty and every read fails.
class PositionalFile {
 public:
  PositionalFile(const std::string& path, std::uint64_t max_bytes);
  ~PositionalFile();
  PositionalFile(const PositionalFile&) = delete;
  PositionalFile& operator=(const PositionalFile&) = delete;

  explicit operator bool() const { return handle_ != kNone; }
  // The file's size when it was opened.
  [[nodiscard]] std::uint64_t size() const { return size_; }

  // Exactly `n` bytes at `offset`, or nothing: past the end, a read error, or the file shrank.
  [[nodiscard]] std::optional<std::vector<unsigned char>> Read(std::uint64_t offset, std::uint64_t n);

 private:
  static constexpr std::intptr_t kNone = -1;
  std::intptr_t handle_ = kNone;  // the backend's handle of the open file
  std::uint64_t size_ = 0;
};

}  // namespace platform::detail
