// File and path change tokens on inotify.
#include "platform/posix/change_watch.h"

#include <pthread.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string_view>

namespace platform::detail {
namespace {

// Folders: changes of their entries (created, removed, renamed in or out, attributes) and of
// themselves. Writes to the files in them are seen by the files' own watches.
constexpr std::uint32_t kFolderEvents = IN_ATTRIB | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE | IN_DELETE |
                                        IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | IN_DONT_FOLLOW;
constexpr std::uint32_t kFileEvents =
    IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_DONT_FOLLOW;

// As many links as the kernel follows in one path.
constexpr int kMaxLinks = 40;

// Grows in every child made by fork, so that a watch sees without a system call whether its
// descriptor is its own process's.
std::atomic<std::uint64_t> process_generation{0};

std::uint64_t ProcessGeneration() {
  static const bool registered = [] {
    return pthread_atfork(nullptr, nullptr, [] { process_generation.fetch_add(1, std::memory_order_relaxed); }) == 0;
  }();
  // Without the handler, every call counts as another process: never trusted, never wrong.
  if (!registered) return process_generation.fetch_add(1, std::memory_order_relaxed) + 1;
  return process_generation.load(std::memory_order_relaxed);
}

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

bool ReadLink(const std::string& link, std::string& target) {
  char buffer[4096];
  const ssize_t length = readlink(link.c_str(), buffer, sizeof buffer);
  if (length <= 0 || static_cast<std::size_t>(length) >= sizeof buffer) return false;
  target.assign(buffer, static_cast<std::size_t>(length));
  return true;
}

}  // namespace

ChangeWatch::~ChangeWatch() {
  if (fd_ >= 0 && generation_ == process_generation.load(std::memory_order_relaxed)) close(fd_);
}

bool ChangeWatch::Ready() {
  const std::uint64_t generation = ProcessGeneration();
  if (fd_ >= 0 && generation_ == generation) return true;
  // After fork the descriptor is the parent's too: leave it to the parent, start afresh.
  if (fd_ >= 0) close(fd_);
  chains_.clear();
  subscriptions_.clear();
  fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  generation_ = generation;
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
      const char* name_at = buffer + at + sizeof(inotify_event);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
      if (at > n) break;
      if (event.mask & IN_Q_OVERFLOW) {
        for (auto& [file, chain] : chains_) Changed(*chain);
        continue;
      }
      const auto found = subscriptions_.find(event.wd);
      if (found == subscriptions_.end()) continue;
      // Events about a folder itself, and all of a file's, carry no name.
      const std::string_view name(name_at, strnlen(name_at, event.len));
      for (const Subscription& s : found->second) {
        if (name.empty() || s.name.empty() || s.name == name) Changed(*s.chain);
      }
      if (event.mask & IN_IGNORED) subscriptions_.erase(found);  // the watch is gone
    }
  }
}

bool ChangeWatch::Subscribe(const std::string& path, bool folder, const std::string& name, Chain& chain) {
  if (folder && Remote(path)) return false;
  const int wd = inotify_add_watch(fd_, path.c_str(), folder ? kFolderEvents : kFileEvents);
  if (wd < 0) return false;
  subscriptions_[wd].push_back({&chain, name});
  chain.watches.push_back(wd);
  return true;
}

bool ChangeWatch::Resolve(const std::string& file, Chain& chain) {
  // Components still to look up, the next one last; `last` marks the path's own last one.
  struct Part {
    std::string name;
    bool last;
  };
  std::vector<Part> pending;
  const auto push = [&pending](std::string_view path, bool marks_last) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0; at <= path.size();) {
      const std::size_t slash = std::min(path.find('/', at), path.size());
      const std::string_view part = path.substr(at, slash - at);
      if (!part.empty() && part != ".") parts.push_back(part);
      at = slash + 1;
    }
    for (std::size_t i = parts.size(); i-- > 0;) pending.push_back({std::string(parts[i]), marks_last && i + 1 == parts.size()});
  };
  push(file, true);

  // Each watch is in place before the name it is about is looked up, so that a change after
  // the look-up changes the token.
  std::string folder;  // resolved so far, without links; empty for the root
  int links = 0;
  while (!pending.empty()) {
    const Part part = std::move(pending.back());
    pending.pop_back();
    if (part.name == "..") {
      if (part.last) return false;
      folder.resize(std::min(folder.size(), folder.rfind('/')));
      continue;
    }
    if (!Subscribe(folder.empty() ? "/" : folder, true, part.last ? std::string() : part.name, chain)) return false;
    const std::string next = folder + "/" + part.name;
    struct stat status{};
    if (lstat(next.c_str(), &status) != 0) return false;
    if (S_ISLNK(status.st_mode)) {
      std::string target;
      if (++links > kMaxLinks || !ReadLink(next, target)) return false;
      if (target.front() == '/') folder.clear();
      push(target, false);
      continue;
    }
    if (pending.empty()) return S_ISREG(status.st_mode) && Subscribe(next, false, std::string(), chain);
    if (!S_ISDIR(status.st_mode)) return false;
    folder = next;
  }
  return false;  // the path ends in a folder
}

void ChangeWatch::Release(Chain& chain) {
  for (const int wd : chain.watches) {
    const auto found = subscriptions_.find(wd);
    if (found == subscriptions_.end()) continue;
    std::erase_if(found->second, [&chain](const Subscription& s) { return s.chain == &chain; });
    if (found->second.empty()) {
      subscriptions_.erase(found);
      (void)inotify_rm_watch(fd_, wd);
    }
  }
  chain.watches.clear();
}

std::optional<std::uint64_t> ChangeWatch::Watch(const std::string& file) {
  if (!Ready()) return std::nullopt;
  Drain();
  auto chain = std::make_unique<Chain>();
  Changed(*chain);
  const bool resolved = file.starts_with('/') && Resolve(file, *chain);
  // The new chain is made before the old one goes, so that the watches both use stay.
  std::unique_ptr<Chain> previous;
  if (const auto old = chains_.find(file); old != chains_.end()) {
    previous = std::move(old->second);
    chains_.erase(old);
  }
  std::optional<std::uint64_t> token;
  if (resolved) {
    token = chain->token;
    chains_.emplace(file, std::move(chain));
  } else {
    Release(*chain);
  }
  if (previous) Release(*previous);
  return token;
}

std::optional<std::uint64_t> ChangeWatch::Poll(const std::string& file) {
  if (!Ready()) return std::nullopt;
  Drain();
  const auto found = chains_.find(file);
  if (found == chains_.end()) return std::nullopt;
  return found->second->token;
}

void ChangeWatch::Forget(const std::string& file) {
  if (fd_ < 0) return;   // nothing was ever watched: no inotify instance to make for it
  if (!Ready()) return;  // in a child made by fork: the parent's watches are not its own
  const auto found = chains_.find(file);
  if (found == chains_.end()) return;
  Release(*found->second);
  chains_.erase(found);
}

}  // namespace platform::detail
