// Change counters for files and their folders, fed by inotify, so that the profile read cache
// can tell with one system call that a file did not change since it last looked: nothing was
// written to it (under any of its names), and nothing in its folder was created, deleted,
// renamed or had its attributes changed.
//
// Used under the profile cache's lock only. A process made by fork starts a watch of its own:
// an inotify descriptor shared with the parent would hand each one the other's events.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

namespace platform::detail {

class ChangeWatch {
 public:
  ChangeWatch() = default;
  ~ChangeWatch();
  ChangeWatch(const ChangeWatch&) = delete;
  ChangeWatch& operator=(const ChangeWatch&) = delete;

  // Takes in every change the kernel queued so far (one non-blocking read when nothing
  // happened) and returns a counter that grows with every change of `file` and of its folder
  // `folder` (absolute, without a trailing '/'), watching both from now on. Nothing when they
  // cannot be watched reliably (no inotify, a network or FUSE file system, no watches left,
  // no such file): callers then look for themselves.
  [[nodiscard]] std::optional<std::uint64_t> Poll(const std::string& folder, const std::string& file);

  // Moves the watch of `file` to whatever the name stands for now (after it was replaced).
  void Rewatch(const std::string& file);

 private:
  bool Ready();
  void Drain();
  // The counter of a watched path, adding the watch on first use.
  std::optional<std::uint64_t> Counter(const std::string& path, bool folder);
  void Unwatch(int wd);

  int fd_ = -1;
  long pid_ = 0;
  std::uint64_t epoch_ = 0;  // grows when events were lost: every counter changes with it
  std::unordered_map<int, std::uint64_t> counts_;  // by watch descriptor
  std::unordered_map<std::string, int> watches_;   // path -> watch descriptor
};

}  // namespace platform::detail
