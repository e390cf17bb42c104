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
  // Small reads are served from one window of the file read ahead (the parsers read headers
  // and directory entries of a few bytes each, mostly close together).
  [[nodiscard]] std::optional<std::vector<unsigned char>> Read(std::uint64_t offset, std::uint64_t n);

 private:
  // The most a window holds; reads of more bytes go to the file directly.
  static constexpr std::uint64_t kWindowBytes = 4096;
  static constexpr std::intptr_t kNone = -1;
  // Exactly `n` bytes at `offset` into `out`, from the file.
  bool ReadFile(std::uint64_t offset, std::uint64_t n, unsigned char* out);

  std::intptr_t handle_ = kNone;  // the backend's handle of the open file
  std::uint64_t size_ = 0;
  std::vector<unsigned char> window_;  // bytes of the file from window_at_ on
  std::uint64_t window_at_ = 0;
};

}  // namespace platform::detail
