// Makes real PE32 and PE32+ DLL files with a version resource, in memory. The demo seeder
// (tidewell-seed-demo) gives its hosts their "YlVer.dll" with it, and the tests make their
// fixtures with it, so both stand on the same files. The files follow the PE/COFF layout
// closely enough for independent readers (the version tests check them with one).
// Portable code: no OS header, bytes little-endian whatever the host.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace pe_writer {

// One string table of StringFileInfo, e.g. "040904b0" with ("FileVersion", "3, 70, 35, 0").
// Texts are UTF-8 here and stored as UTF-16.
struct VersionStringTable {
  std::string name;
  std::vector<std::pair<std::string, std::string>> strings;
};

// A resource type or name: a number, or (when `text` is not empty) a name, UTF-8 here and
// UTF-16 in the file.
struct ResourceName {
  std::uint32_t number = 0;
  std::string text;
  friend bool operator==(const ResourceName&, const ResourceName&) = default;
};

// One more resource beside the version resource.
struct Resource {
  ResourceName type, name;
  std::uint16_t language = 0;
  std::string data;
};

// What goes into a file: its format, its version resource and the resource languages.
struct PeLayout {
  bool pe32_plus = false;
  bool version_resource = true;                     // false: a resource section without one
  std::vector<std::uint16_t> languages = {0};       // resource languages; each holds the block
  std::array<std::uint16_t, 4> fixed_version = {1, 0, 0, 0};
  std::vector<VersionStringTable> tables;
  std::vector<std::uint32_t> translations;          // VarFileInfo\Translation; empty: none
  // When set, every string table of a language's block also holds "ResourceLanguage" with
  // that resource language in decimal, so tests can tell which block was read.
  bool tag_languages = false;
  // Zero bytes stored after each block inside its resource data entry: the entry is that much
  // larger than the block's own length says.
  std::uint32_t data_entry_slack = 0;
  // Stored after the version resource, grouped by type and name in order of appearance, named
  // entries before numbered ones in each directory, as the resource compiler orders them.
  std::vector<Resource> resources;
};

// The raw VS_VERSIONINFO block of `layout` (as stored for resource language `language`).
std::string MakeVersionBlock(const PeLayout& layout, std::uint16_t language = 0);

// The bytes of a whole DLL file.
std::string MakePe(const PeLayout& layout);

}  // namespace pe_writer
