// Version resources read by our own PE reader: the VS_VERSIONINFO block is read straight out
// of a PE32 or PE32+ file's resource section, with positioned reads of only what is needed.
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/language.h"
#include "platform/paths.h"
#include "platform/emulation/positional_file.h"
#include "platform/version_resource.h"

namespace platform {
namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVersionName = 1;
constexpr std::uint32_t kNeutral = 0;
constexpr std::uint32_t kSubdirectory = 0x80000000u;
constexpr std::uint32_t kMaxEntries = 4096;   // per resource directory level

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A PE file's offsets are 32-bit, so nothing of the image lies past 4 GiB: a larger file is
// not a PE file. Reads are positioned and small, so the limit is not about memory.
constexpr std::uint64_t kMaxPeFileBytes = std::uint64_t{1} << 32;

struct Section {
  std::uint32_t virtual_address, virtual_size, raw_size, raw_offset;
};

// Maps RVAs of the image to offsets in the file through its section table.
class Image {
 public:
  static std::optional<Image> Open(detail::PositionalFile& file) {
    const auto dos = file.Read(0, 64);
    if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z') return std::nullopt;
    const std::uint32_t pe = U32(dos->data() + 0x3C);
    const auto coff = file.Read(pe, 24);
    if (!coff || U32(coff->data()) != 0x00004550u) return std::nullopt;  // "PE\0\0"
    const std::uint16_t sections = U16(coff->data() + 6);
    const std::uint16_t optional_size = U16(coff->data() + 20);
    const auto optional = file.Read(pe + 24ull, optional_size);
    if (!optional || optional_size < 2) return std::nullopt;

    std::size_t directories;  // offset of the data directories in the optional header
    switch (U16(optional->data())) {
      case 0x10B: directories = 96; break;   // PE32
      case 0x20B: directories = 112; break;  // PE32+
      default: return std::nullopt;
    }
    if (optional_size < directories) return std::nullopt;
    const std::uint32_t count = U32(optional->data() + directories - 4);
    constexpr std::size_t kResourceIndex = 2;
    if (count <= kResourceIndex || directories + 8 * (kResourceIndex + 1) > optional_size) return std::nullopt;

    Image image;
    image.resource_rva_ = U32(optional->data() + directories + 8 * kResourceIndex);
    image.resource_size_ = U32(optional->data() + directories + 8 * kResourceIndex + 4);
    const auto table = file.Read(pe + 24ull + optional_size, 40ull * sections);
    if (!table || image.resource_rva_ == 0) return std::nullopt;
    for (std::uint16_t i = 0; i < sections; ++i) {
      const unsigned char* s = table->data() + 40 * i;
      image.sections_.push_back({U32(s + 12), U32(s + 8), U32(s + 16), U32(s + 20)});
    }
    return image;
  }

  // The file offset of `n` bytes at `rva`, when they lie inside one section's file data.
  std::optional<std::uint64_t> Offset(std::uint32_t rva, std::uint32_t n) const {
    for (const Section& s : sections_) {
      const std::uint64_t start = s.virtual_address;
      if (rva < start) continue;
      const std::uint64_t within = rva - start;
      if (within + n > s.raw_size) continue;
      return static_cast<std::uint64_t>(s.raw_offset) + within;
    }
    return std::nullopt;
  }

  std::uint32_t resource_rva() const { return resource_rva_; }
  std::uint32_t resource_size() const { return resource_size_; }

 private:
  std::vector<Section> sections_;
  std::uint32_t resource_rva_ = 0, resource_size_ = 0;
};

struct Entry {
  std::uint32_t id;  // names (high bit set) never match the numeric ids we look for
  std::uint32_t target;
};

// The entries of the resource directory at `offset` from the resource section's start.
std::optional<std::vector<Entry>> Directory(detail::PositionalFile& file, const Image& image, std::uint32_t offset) {
  if (offset >= image.resource_size()) return std::nullopt;
  const auto where = image.Offset(image.resource_rva() + offset, 16);
  if (!where) return std::nullopt;
  const auto header = file.Read(*where, 16);
  if (!header) return std::nullopt;
  const std::uint32_t count = std::uint32_t{U16(header->data() + 12)} + U16(header->data() + 14);
  if (count == 0 || count > kMaxEntries) return std::nullopt;
  const auto raw = file.Read(*where + 16, 8ull * count);
  if (!raw) return std::nullopt;
  std::vector<Entry> entries;
  for (std::uint32_t i = 0; i < count; ++i) entries.push_back({U32(raw->data() + 8 * i), U32(raw->data() + 8 * i + 4)});
  return entries;
}

std::optional<std::uint32_t> Subdirectory(const std::vector<Entry>& entries, std::uint32_t id) {
  for (const Entry& e : entries)
    if (e.id == id && (e.target & kSubdirectory)) return e.target & ~kSubdirectory;
  return std::nullopt;
}

// The language a neutral request gets, in the Windows resource loader's order: neutral, the
// user's language and its primary language alone, the system's likewise, English (US) and
// English, and else the directory's first entry.
const Entry* ChooseLanguage(const std::vector<Entry>& languages) {
  const LangId user = UserDefaultLangId();
  const LangId system = SystemDefaultLangId();
  const std::uint32_t wanted[] = {kNeutral, user, PrimaryLangId(user), system, PrimaryLangId(system), 0x0409, 0x09};
  for (std::size_t i = 0; i < std::size(wanted); ++i) {
    if (i > 0 && wanted[i] == kNeutral) continue;  // an unset language is no wish
    for (const Entry& e : languages)
      if (e.id == wanted[i] && !(e.target & kSubdirectory)) return &e;
  }
  for (const Entry& e : languages)
    if (!(e.target & kSubdirectory)) return &e;
  return nullptr;
}

std::optional<std::vector<unsigned char>> ReadVersionBlock(const std::string& path) {
  detail::PositionalFile file(path, kMaxPeFileBytes);
  if (!file) return std::nullopt;
  const auto image = Image::Open(file);
  if (!image) return std::nullopt;

  // Three fixed levels (type, name, language): a directory that points back at itself can
  // only be visited three times.
  const auto types = Directory(file, *image, 0);
  if (!types) return std::nullopt;
  const auto names_at = Subdirectory(*types, kRtVersion);
  if (!names_at) return std::nullopt;
  const auto names = Directory(file, *image, *names_at);
  if (!names) return std::nullopt;
  const auto languages_at = Subdirectory(*names, kVersionName);
  if (!languages_at) return std::nullopt;
  const auto languages = Directory(file, *image, *languages_at);
  if (!languages) return std::nullopt;

  const Entry* chosen = ChooseLanguage(*languages);
  if (chosen == nullptr || chosen->target + 16ull > image->resource_size()) return std::nullopt;
  const auto data_entry_at = image->Offset(image->resource_rva() + chosen->target, 16);
  if (!data_entry_at) return std::nullopt;
  const auto data_entry = file.Read(*data_entry_at, 16);
  if (!data_entry) return std::nullopt;
  const std::uint32_t data_rva = U32(data_entry->data());
  const std::uint32_t size = U32(data_entry->data() + 4);
  // The block's own length governs, as on Windows: a data entry may be larger than the block
  // it holds, never smaller.
  if (size < 2) return std::nullopt;
  const auto length_at = image->Offset(data_rva, 2);
  if (!length_at) return std::nullopt;
  const auto length_bytes = file.Read(*length_at, 2);
  if (!length_bytes) return std::nullopt;
  const std::uint32_t length = U16(length_bytes->data());
  if (length == 0 || length > size) return std::nullopt;
  const auto data_at = image->Offset(data_rva, length);
  if (!data_at) return std::nullopt;
  return file.Read(*data_at, length);
}

// Where a bare file name is found: the program's folder first, then the current folder.
std::string Locate(const std::string& path) {
  if (path.find_first_of(kPathSeparators) != std::string::npos) return path;
  std::string folder;
  if (ProgramFolder(folder) && FileExists((folder + path).c_str())) return folder + path;
  if (CurrentFolder(folder) && FileExists((folder + path).c_str())) return folder + path;
  return path;
}

}  // namespace

std::optional<VersionInfo> VersionInfo::FromFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  const auto block = ReadVersionBlock(Locate(path));
  if (!block) return std::nullopt;
  return FromBlock(*block);
}

}  // namespace platform
