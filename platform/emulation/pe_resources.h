// The resources of a PE32 or PE32+ file, read by our own parser: the resource directory's
// three levels (type, name, language) walked with positioned reads of only what is needed.
// The POSIX backend's version reader stands on it, and the tests read the Windows program's
// resources back with it.
//
//   platform::detail::PeResources file("TidewellPlugin.exe");
//   if (auto table = file.Find(u"XML", u"ZEBSTRINGS", 1031)) {  // exactly language 1031
//     auto bytes = file.Load(*table);                            // its data, or nothing
//   }
//   auto dialog = file.Find(5, 102);  // RT_DIALOG 102 in the loader's choice of language
//
// Every offset and size is checked against the resource directory, the section table and the
// file, and every walk is bounded: a damaged or hostile file gives "not found", never a crash
// or a hang.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulation/positional_file.h"

namespace platform::detail {

// A resource type or name as the directory stores it: a number, or a UTF-16 string. Strings
// compare without case as Windows compares them (each side upper-cased unit by unit; ASCII
// and Latin-1 letters), so u"zebstrings" finds "ZEBSTRINGS". Implicit, so that calls read
// Find(5, 102) and Find(u"XML", u"ZEBSTRINGS").
struct ResourceId {
  ResourceId(std::uint32_t id) : number(id) {}
  ResourceId(std::u16string_view text) : is_name(true), name(text) {}
  ResourceId(const char16_t* text) : ResourceId(std::u16string_view(text)) {}

  bool is_name = false;
  std::uint32_t number = 0;
  std::u16string name;

  [[nodiscard]] bool Matches(const ResourceId& other) const;
};

// Where one resource's data lies: its type, name and language in the directory, and the data
// entry's RVA and size. The size is what the data entry says; Load checks it against the file.
struct ResourceLocation {
  ResourceId type, name;
  std::uint32_t language = 0;
  std::uint32_t rva = 0, size = 0;
};

class PeResources {
 public:
  // Opens the file (at most 4 GiB, as PE offsets are 32-bit) and reads its headers. The
  // object is false when the file is missing, is not a PE32 or PE32+ file, or has no
  // resource directory; then nothing is ever found.
  explicit PeResources(const std::string& path);
  ~PeResources();
  PeResources(const PeResources&) = delete;
  PeResources& operator=(const PeResources&) = delete;

  explicit operator bool() const;

  // The resource of this type and name. With a language, only the entry tagged with exactly
  // that language; without one, the language the Windows loader picks for a neutral request:
  // neutral, the user's language and its primary language alone, the system's likewise,
  // English (US) and English, and else the first entry. Empty when there is none or the
  // directory on the way is damaged.
  [[nodiscard]] std::optional<ResourceLocation> Find(const ResourceId& type, const ResourceId& name,
                                                     std::optional<std::uint32_t> language = std::nullopt);

  // Exactly `n` bytes at `rva`, when they lie inside one section's data in the file.
  [[nodiscard]] std::optional<std::vector<unsigned char>> Read(std::uint32_t rva, std::uint32_t n);

  // The whole data of a found resource (Read of its RVA and size).
  [[nodiscard]] std::optional<std::vector<unsigned char>> Load(const ResourceLocation& resource);

  // Every resource of the file in directory order. Empty when any directory on the way is
  // damaged or the tree holds more than 65536 entries in all.
  [[nodiscard]] std::optional<std::vector<ResourceLocation>> List();

 private:
  class Image;
  struct Entry;
  [[nodiscard]] std::optional<std::vector<Entry>> Directory(std::uint32_t offset);
  [[nodiscard]] std::optional<ResourceId> EntryId(const Entry& entry);
  [[nodiscard]] std::optional<ResourceLocation> DataEntry(const Entry& entry, ResourceId type, ResourceId name);

  PositionalFile file_;
  std::unique_ptr<const Image> image_;  // null when the file is no PE file with resources
};

}  // namespace platform::detail
