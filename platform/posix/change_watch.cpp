// File and folder change counters on inotify.
#include "platform/posix/change_watch.h"

#include <sys/inotify.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace platform::detail {
namespace {

constexpr std::uint32_t kFolderEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                                        IN_CREATE | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t kFileEvents = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;

// File systems whose changes may come from elsewhere without an event here.
bool Remote(const std::string& folder) {
  struct statfs info{};
  if (statfs(folder.c_str(), &info) != 0) return true;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0x6969:      // NFS
    case 0xFF534D42:  // CIFS
    case 0xFE534D42:  // SMB2
    case 0x517B:      // SMB
    case 0x65735546:  // FUSE
    case 0x01021997:  // 9P
    case 0x564C:      // NCP
    case 0x73757245:  // Coda
    case 0x5346414F:  // AFS
    case 0x47504653:  // GPFS
    case 0x00C36400:  // Ceph
      return true;
    default:
      return false;
  }
}

}  // namespace

ChangeWatch::~ChangeWatch() {
  if (fd_ >= 0 && pid_ == getpid()) close(fd_);
}

bool ChangeWatch::Ready() {
  const long pid = getpid();
  if (fd_ >= 0 && pid_ == pid) return true;
  // After fork the descriptor is the parent's too: leave it to the parent, start afresh.
  if (fd_ >= 0) close(fd_);
  counts_.clear();
  watches_.clear();
  ++epoch_;
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  pid_ = pid;
  return fd_ >= 0;
}

void ChangeWatch::Drain() {
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0) return;  // EAGAIN: nothing more queued
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
      if (event.mask & IN_Q_OVERFLOW) {
        ++epoch_;
        continue;
      }
      const auto found = counts_.find(event.wd);
      if (found == counts_.end()) continue;
      ++found->second;
      // What was watched went away or moved: watch its name afresh next time.
      if (event.mask & (IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) Unwatch(event.wd);
    }
  }
}

void ChangeWatch::Unwatch(int wd) {
  std::erase_if(watches_, [wd](const auto& entry) { return entry.second == wd; });
  counts_.erase(wd);
  (void)inotify_rm_watch(fd_, wd);
  ++epoch_;  // a later watch may get the same descriptor back, with a counter from 0
}

std::optional<std::uint64_t> ChangeWatch::Counter(const std::string& path, bool folder) {
  auto known = watches_.find(path);
  if (known == watches_.end()) {
    if (folder && Remote(path)) return std::nullopt;
    const int wd = inotify_add_watch(fd_, path.c_str(), folder ? kFolderEvents : kFileEvents);
    if (wd < 0) return std::nullopt;
    counts_.try_emplace(wd, 0);  // the same file or folder under another name shares it
    known = watches_.emplace(path, wd).first;
  }
  const auto count = counts_.find(known->second);
  if (count == counts_.end()) return std::nullopt;
  return count->second;
}

std::optional<std::uint64_t> ChangeWatch::Poll(const std::string& folder, const std::string& file) {
  if (folder.empty() || folder.front() != '/' || !Ready()) return std::nullopt;
  Drain();
  const auto folder_count = Counter(folder, true);
  const auto file_count = Counter(file, false);
  if (!folder_count || !file_count) return std::nullopt;
  // Both counters only grow, so their sum changes with either; the epoch sits in high bits.
  return (epoch_ << 40) + *folder_count + *file_count;
}

void ChangeWatch::Rewatch(const std::string& file) {
  if (!Ready()) return;
  const auto known = watches_.find(file);
  if (known != watches_.end()) {
    const int old = known->second;
    watches_.erase(known);
    const bool shared = std::any_of(watches_.begin(), watches_.end(), [old](const auto& e) { return e.second == old; });
    if (!shared) Unwatch(old);
  }
}

}  // namespace platform::detail
