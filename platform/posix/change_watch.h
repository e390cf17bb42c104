// Change tokens for files, fed by inotify, so that the profile read cache can tell with one
// system call that a file did not change since it last looked: nothing was written to it
// (under any of its names), nothing in its folder was created, deleted, renamed or had its
// attributes changed, and every folder and link on its path still leads where it did.
//
// The path is resolved one component at a time, as the kernel resolves it, following links.
// Each folder on the way is watched for the one name looked up in it (a folder replaced or
// renamed, a link re-pointed or removed all show as a change of that name), the folder that
// holds the path's last component for every name in it (companions such as a backup live
// there), and the file itself for changes of its content and attributes. Events for other
// names in a busy folder on the way (such as /tmp) are read and dropped.
//
// Not seen: a file system mounted or unmounted over a folder on the path, and changes made on
// another machine; paths on network and FUSE file systems are therefore not watched.
//
// Used under the profile cache's lock only. A process made by fork starts a watch of its own:
// an inotify descriptor shared with the parent would hand each one the other's events.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform::detail {

class ChangeWatch {
 public:
  ChangeWatch() = default;
  ~ChangeWatch();
  ChangeWatch(const ChangeWatch&) = delete;
  ChangeWatch& operator=(const ChangeWatch&) = delete;

  // Resolves the absolute path `file` afresh and watches what it leads through from now on,
  // replacing an earlier watch of it. Returns its token: a number that no other watch ever
  // had and that changes with every change of the file, its folder or its path. Nothing when
  // they cannot be watched reliably (a relative path, no inotify, no watches left, a folder
  // that may not be read or lies on a network or FUSE file system, no such regular file, too
  // many links): callers then look for themselves.
  [[nodiscard]] std::optional<std::uint64_t> Watch(const std::string& file);

  // Takes in every change the kernel queued so far (one non-blocking read when nothing
  // happened) and returns the token of `file` as it is now, or nothing when it is not watched.
  [[nodiscard]] std::optional<std::uint64_t> Poll(const std::string& file);

  // Stops watching `file`.
  void Forget(const std::string& file);

 private:
  struct Chain {
    std::uint64_t token = 0;
    std::vector<int> watches;  // descriptors it subscribed to, maybe more than once
  };
  struct Subscription {
    Chain* chain;
    std::string name;  // the name in the watched folder it is about; empty: every event
  };

  bool Ready();
  void Drain();
  // Subscribes `chain` to the watch of `path` for events about `name` (empty: all of them).
  bool Subscribe(const std::string& path, bool folder, const std::string& name, Chain& chain);
  bool Resolve(const std::string& file, Chain& chain);
  void Release(Chain& chain);
  void Changed(Chain& chain) { chain.token = ++serial_; }

  int fd_ = -1;
  std::uint64_t generation_ = 0;  // of the process that made fd_, see Ready
  std::uint64_t serial_ = 0;      // the last token handed out
  std::unordered_map<std::string, std::unique_ptr<Chain>> chains_;      // by file
  std::unordered_map<int, std::vector<Subscription>> subscriptions_;  // by watch descriptor
};

}  // namespace platform::detail
