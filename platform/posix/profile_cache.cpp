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

namespace {

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

bool Exists(const std::string& path) {
  struct stat status{};
  return stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

}  // namespace

std::shared_ptr<const IniDocument> ProfileCache::Load(const std::string& path, const std::string* companion,
                                                      State* state) {
  const std::lock_guard lock(mutex_);
  const std::string companion_name = companion != nullptr ? *companion : std::string();
  const auto entry = std::find_if(entries_.begin(), entries_.end(), [&path](const Entry& e) { return e.path == path; });
  if (entry != entries_.end() && entry->token && entry->companion == companion_name &&
      watch_.Poll(path) == entry->token) {
    entry->last_use = ++uses_;
    if (state != nullptr) *state = {true, true, entry->companion_exists};
    return entry->document;
  }

  // A file is watched only once it has been read kReadsBeforeWatch times, and never when it
  // is missing: until then each read looks at it by its stamp (one stat). Otherwise the file
  // or its path may have changed since it was watched: watch what the path leads to now,
  // before the file is looked at, so that any change after this point changes the token.
  std::optional<std::uint64_t> token;
  if (entry != entries_.end() && entry->reads + 1 >= kReadsBeforeWatch && Exists(path)) {
    token = watch_.Watch(path);
  } else {
    watch_.Forget(path);
  }
  State found;
  const auto document = LoadByStamp(path, found);
  if (companion != nullptr) found.companion_exists = Exists(*companion);
  if (state != nullptr) *state = found;
  const auto stored = std::find_if(entries_.begin(), entries_.end(), [&path](const Entry& e) { return e.path == path; });
  if (stored != entries_.end() && document != nullptr) {
    // The companion's existence is covered only when it is in the watched folder.
    const bool watchable = token && (companion == nullptr || FolderOf(*companion) == FolderOf(path));
    stored->token = watchable ? token : std::nullopt;
    if (stored->reads < kReadsBeforeWatch) ++stored->reads;
    stored->companion = companion_name;
    stored->companion_exists = found.companion_exists;
  } else {
    watch_.Forget(path);
  }
  return document;
}

std::shared_ptr<const IniDocument> ProfileCache::LoadByStamp(const std::string& path, State& found) {
  // Taken before the file is looked at, so it is no later than the moment of reading.
  const std::int64_t start_ns = NowNs();
  const auto stamp_of = [](const struct stat& status) {
    return Stamp{static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
                 static_cast<std::int64_t>(status.st_size), Nanoseconds(status.st_mtim),
                 Nanoseconds(status.st_ctim)};
  };
  const auto entry = std::find_if(entries_.begin(), entries_.end(), [&path](const Entry& e) { return e.path == path; });

  struct stat status{};
  found.exists = stat(path.c_str(), &status) == 0;
  if (found.exists && entry != entries_.end() && entry->stamp == stamp_of(status)) {
    entry->last_use = ++uses_;
    if (entry->settled) {
      found.readable = true;
      return entry->document;
    }
  }

  std::string bytes;
  struct stat opened{};
  if (!found.exists || ReadWholeFile(path, bytes, &opened) != ReadStatus::kRead) {
    if (entry != entries_.end()) entries_.erase(entry);
    return nullptr;
  }
  found.readable = true;
  const Stamp stamp = stamp_of(opened);
  if (entry != entries_.end() && entry->stamp == stamp && entry->document->Render() == bytes) {
    if (stamp.changed_ns + racy_window_ns_ < start_ns) entry->settled = true;
    return entry->document;
  }
  ++parses_;
  auto document = std::make_shared<const IniDocument>(std::move(bytes));
  Store(path, stamp, document, start_ns);
  return document;
}

void ProfileCache::Store(const std::string& path, const Stamp& stamp, std::shared_ptr<const IniDocument> document,
                         std::int64_t read_start_ns) {
  if (capacity_ == 0) return;
  auto entry = std::find_if(entries_.begin(), entries_.end(), [&path](const Entry& e) { return e.path == path; });
  if (entry == entries_.end()) {
    if (entries_.size() >= capacity_) {
      entry = std::min_element(entries_.begin(), entries_.end(),
                               [](const Entry& a, const Entry& b) { return a.last_use < b.last_use; });
      watch_.Forget(entry->path);
    } else {
      entry = entries_.insert(entries_.end(), Entry{});
    }
  }
  if (entry->path != path) entry->reads = 0;
  entry->path = path;
  entry->stamp = stamp;
  entry->document = std::move(document);
  entry->settled = stamp.changed_ns + racy_window_ns_ < read_start_ns;
  entry->last_use = ++uses_;
  entry->token.reset();
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
