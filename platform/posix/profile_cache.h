// The read cache of the profile functions on POSIX: parsed INI files kept by path, so that
// repeated reads of an unchanged file do not parse it again, while a change made by anyone
// (another process, an editor, a copy over it) is seen at the next read.
//
// A cached file is recognised by its stamp: device, inode, size, and modification and
// status-change times in nanoseconds. Time stamps are taken from a coarse clock, so a change
// soon after the cached version could leave every field equal (same inode, size and time
// tick). The status-change time cannot be set by programs; while it is within kRacyWindow of
// the moment the file was read, the stamp alone is not trusted and the bytes are compared
// with the cached document's (read, not parsed). Once a read starts later than that, any
// further change must carry a later time, and the stamp suffices.
//
// Where the file, its folder and its path can be watched (ChangeWatch), a file found
// unchanged is not even looked at again until it, its folder, or a folder or link on its path
// changes: one system call per read. That holds for a file (or a link to one) with its
// companion in the same folder; others are checked by their stamp at every read. A watch is
// set up only for a file read again and again (kReadsBeforeWatch), and never for one that is
// missing: adding the first watch to a folder makes the kernel walk every entry it has cached
// for it, which in a busy /tmp took 14 ms, the cost of thousands of reads by stamp. The few
// reads of a file at start-up cost no watch.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/change_watch.h"
#include "platform/emulation/ini_document.h"

namespace platform::detail {

// Longer than the time-stamp granularity of the file systems in use (2 s on FAT).
inline constexpr std::chrono::nanoseconds kRacyWindow = std::chrono::seconds(3);

// The read of a file, counted since it was cached, from which on it is watched.
inline constexpr std::uint32_t kReadsBeforeWatch = 16;

class ProfileCache {
 public:
  // Keeps up to `capacity` files; `racy_window` is kRacyWindow but for tests.
  explicit ProfileCache(std::size_t capacity = 8, std::chrono::nanoseconds racy_window = kRacyWindow)
      : capacity_(capacity), racy_window_ns_(racy_window.count()) {}

  // What Load found besides the content.
  struct State {
    bool exists = false;            // something of that name exists
    bool readable = false;          // and it is a regular file that could be read
    bool companion_exists = false;  // the companion file named to Load exists
  };

  // The parsed content of the file `path`, shared with the cache: it stays valid for the
  // caller after the cache drops or replaces it. Null when the file is missing or cannot be
  // read. With `companion` (a file in the same folder, such as a backup) and `state`, also
  // tells whether the file exists and is readable and whether the companion exists.
  [[nodiscard]] std::shared_ptr<const IniDocument> Load(const std::string& path, const std::string* companion = nullptr,
                                                        State* state = nullptr);

  // Drops what is cached for `path` (after the process changed the file itself).
  void Forget(const std::string& path);

  // How many times a file was parsed.
  [[nodiscard]] std::uint64_t parses() const;

 private:
  struct Stamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modified_ns = 0;
    std::int64_t changed_ns = 0;
    friend bool operator==(const Stamp&, const Stamp&) = default;
  };
  struct Entry {
    std::string path;
    Stamp stamp;
    std::shared_ptr<const IniDocument> document;
    bool settled = false;  // the stamp alone proves the file unchanged
    std::uint64_t last_use = 0;
    // The watch's token of the file when it was last looked at; set only when an unchanged
    // token proves the file and the companion unchanged.
    std::optional<std::uint64_t> token;
    std::string companion;
    bool companion_exists = false;
    std::uint32_t reads = 0;  // of the file since it was cached, counted up to kReadsBeforeWatch
  };

  // The content by the file's stamp, without the folder watch.
  std::shared_ptr<const IniDocument> LoadByStamp(const std::string& path, State& found);
  void Store(const std::string& path, const Stamp& stamp, std::shared_ptr<const IniDocument> document,
             std::int64_t read_start_ns);

  mutable std::mutex mutex_;
  ChangeWatch watch_;
  std::size_t capacity_;
  std::int64_t racy_window_ns_;
  std::vector<Entry> entries_;
  std::uint64_t uses_ = 0;
  std::uint64_t parses_ = 0;
};

// The process's cache, made on first use and never destroyed.
[[nodiscard]] ProfileCache& TheProfileCache();

}  // namespace platform::detail
