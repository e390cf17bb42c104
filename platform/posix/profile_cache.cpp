// The profile functions' read cache on POSIX.
#include "platform/posix/profile_cache.h"

#include <sys/stat.h>

#include <algorithm>

#include "platform/posix/atomic_file.h"

namespace platform::detail {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ProfileCache& TheProfileCache() {
  // Never destroyed: static objects of other files may still read profiles while it ends.
  static ProfileCache* const cache = new ProfileCache;
  return *cache;
}

std::shared_ptr<const IniDocument> ProfileCache::Load(const std::string& path) {
  const std::lock_guard lock(mutex_);
  // Taken before the file is looked at, so it is no later than the moment of reading.
  const std::int64_t start_ns = NowNs();
  const auto stamp_of = [](const struct stat& status) {
    return Stamp{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                 static_cast<std::int64_t>(status.st_size), Nanoseconds(status.st_mtim),
                 Nanoseconds(status.st_ctim)};
  };
  const auto entry = std::find_if(entries_.begin(), entries_.end(), [&path](const Entry& e) { return e.path == path; });

  struct stat status{};
  const bool exists = stat(path.c_str(), &status) == 0;
  if (exists && entry != entries_.end() && entry->stamp == stamp_of(status)) {
    entry->last_use = ++uses_;
    if (entry->settled) return entry->document;
  }

  std::string bytes;
  struct stat opened{};
  if (!exists || ReadWholeFile(path, bytes, &opened) != ReadStatus::kRead) {
    if (entry != entries_.end()) entries_.erase(entry);
    return nullptr;
  }
  const Stamp stamp = stamp_of(opened);
  if (entry != entries_.end() && entry->stamp == stamp && entry->bytes == bytes) {
    if (stamp.changed_ns + racy_window_ns_ < start_ns) {
      entry->settled = true;
      entry->bytes.clear();
      entry->bytes.shrink_to_fit();
    }
    return entry->document;
  }
  ++parses_;
  auto document = std::make_shared<const IniDocument>(bytes);
  Store(path, stamp, std::move(bytes), document, start_ns);
  return document;
}

void ProfileCache::Store(const std::string& path, const Stamp& stamp, std::string bytes,
                         std::shared_ptr<const IniDocument> document, std::int64_t read_start_ns) {
  if (capacity_ == 0) return;
  auto entry = std::find_if(entries_.begin(), entries_.end(), [&path](const Entry& e) { return e.path == path; });
  if (entry == entries_.end()) {
    if (entries_.size() >= capacity_) {
      entry = std::min_element(entries_.begin(), entries_.end(),
                               [](const Entry& a, const Entry& b) { return a.last_use < b.last_use; });
    } else {
      entry = entries_.insert(entries_.end(), Entry{});
    }
  }
  entry->path = path;
  entry->stamp = stamp;
  entry->document = std::move(document);
  entry->settled = stamp.changed_ns + racy_window_ns_ < read_start_ns;
  entry->bytes = entry->settled ? std::string() : std::move(bytes);
  entry->last_use = ++uses_;
}

void ProfileCache::Forget(const std::string& path) {
  const std::lock_guard lock(mutex_);
  std::erase_if(entries_, [&path](const Entry& e) { return e.path == path; });
}

std::uint64_t ProfileCache::parses() const {
  const std::lock_guard lock(mutex_);
  return parses_;
}

}  // namespace platform::detail
