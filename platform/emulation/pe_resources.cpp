// Our own reader of a PE file's resource directory: the headers, the section table that maps
// RVAs to file offsets, and the walk over the type, name and language levels.
#include "platform/emulation/pe_resources.h"

#include <array>
#include <cstddef>

#include "platform/language.h"

namespace platform::detail {
namespace {

constexpr std::uint32_t kNeutral = 0;
constexpr std::uint32_t kHighBit = 0x80000000u;  // a name (in an id), a subdirectory (in a target)
constexpr std::uint32_t kMaxEntries = 4096;      // per directory
constexpr std::size_t kMaxListed = 65536;        // entries looked at by one listing

// A PE file's offsets are 32-bit, so nothing of the image lies past 4 GiB: a larger file is
// not a PE file. Reads are positioned and small, so the limit is not about memory.
constexpr std::uint64_t kMaxPeFileBytes = std::uint64_t{1} << 32;

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Windows upper-cases both names before it compares them.
char16_t Upper(char16_t c) {
  if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x0178;
  if (c == 0xB5) return 0x039C;  // micro sign: Greek capital mu
  return c;
}

struct Section {
  std::uint32_t virtual_address, raw_size, raw_offset;
};

}  // namespace

bool ResourceId::Matches(const ResourceId& other) const {
  if (is_name != other.is_name) return false;
  if (!is_name) return number == other.number;
  if (name.size() != other.name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (Upper(name[i]) != Upper(other.name[i])) return false;
  return true;
}

// The headers' part that matters here: the resource directory and the section table.
class PeResources::Image {
 public:
  static std::unique_ptr<const Image> Open(PositionalFile& file) {
    const auto dos = file.Read(0, 64);
    if (!dos || (*dos)[0] != 'M' || (*dos)[1] != 'Z') return nullptr;
    const std::uint32_t pe = U32(dos->data() + 0x3C);
    const auto coff = file.Read(pe, 24);
    if (!coff || U32(coff->data()) != 0x00004550u) return nullptr;  // "PE\0\0"
    const std::uint16_t sections = U16(coff->data() + 6);
    const std::uint16_t optional_size = U16(coff->data() + 20);
    const auto optional = file.Read(pe + 24ull, optional_size);
    if (!optional || optional_size < 2) return nullptr;

    std::size_t directories;  // offset of the data directories in the optional header
    switch (U16(optional->data())) {
      case 0x10B: directories = 96; break;   // PE32
      case 0x20B: directories = 112; break;  // PE32+
      default: return nullptr;
    }
    if (optional_size < directories) return nullptr;
    const std::uint32_t count = U32(optional->data() + directories - 4);
    constexpr std::size_t kResourceIndex = 2;
    if (count <= kResourceIndex || directories + 8 * (kResourceIndex + 1) > optional_size) return nullptr;

    auto image = std::make_unique<Image>();
    image->resource_rva_ = U32(optional->data() + directories + 8 * kResourceIndex);
    image->resource_size_ = U32(optional->data() + directories + 8 * kResourceIndex + 4);
    const auto table = file.Read(pe + 24ull + optional_size, 40ull * sections);
    if (!table || image->resource_rva_ == 0 || image->resource_size_ == 0) return nullptr;
    for (std::uint16_t i = 0; i < sections; ++i) {
      const unsigned char* s = table->data() + 40 * i;
      image->sections_.push_back({U32(s + 12), U32(s + 16), U32(s + 20)});
    }
    return image;
  }

  // The file offset of `n` bytes at `rva`, when they lie inside one section's file data.
  std::optional<std::uint64_t> Offset(std::uint64_t rva, std::uint64_t n) const {
    for (const Section& s : sections_) {
      if (rva < s.virtual_address) continue;
      const std::uint64_t within = rva - s.virtual_address;
      if (within + n > s.raw_size) continue;
      return s.raw_offset + within;
    }
    return std::nullopt;
  }

  // The file offset of `n` bytes at `offset` from the resource directory's start, when they
  // lie inside the directory and one section.
  std::optional<std::uint64_t> DirectoryOffset(std::uint64_t offset, std::uint64_t n) const {
    if (offset + n > resource_size_) return std::nullopt;
    return Offset(resource_rva_ + offset, n);
  }

 private:
  std::vector<Section> sections_;
  std::uint32_t resource_rva_ = 0, resource_size_ = 0;
};

struct PeResources::Entry {
  std::uint32_t id;      // high bit: the offset of a name
  std::uint32_t target;  // high bit: the offset of a subdirectory, else of a data entry
  bool IsDirectory() const { return (target & kHighBit) != 0; }
  std::uint32_t Target() const { return target & ~kHighBit; }
};

PeResources::PeResources(const std::string& path) : file_(path, kMaxPeFileBytes) {
  if (file_) image_ = Image::Open(file_);
}

PeResources::~PeResources() = default;

PeResources::operator bool() const { return image_ != nullptr; }

std::optional<std::vector<PeResources::Entry>> PeResources::Directory(std::uint32_t offset) {
  if (!image_) return std::nullopt;
  const auto where = image_->DirectoryOffset(offset, 16);
  if (!where) return std::nullopt;
  const auto header = file_.Read(*where, 16);
  if (!header) return std::nullopt;
  const std::uint32_t count = std::uint32_t{U16(header->data() + 12)} + U16(header->data() + 14);
  if (count > kMaxEntries || !image_->DirectoryOffset(offset, 16 + 8ull * count)) return std::nullopt;
  const auto raw = file_.Read(*where + 16, 8ull * count);
  if (!raw) return std::nullopt;
  std::vector<Entry> entries;
  for (std::uint32_t i = 0; i < count; ++i) entries.push_back({U32(raw->data() + 8 * i), U32(raw->data() + 8 * i + 4)});
  return entries;
}

// A named entry points at a counted UTF-16 string in the directory.
std::optional<ResourceId> PeResources::EntryId(const Entry& entry) {
  if (!(entry.id & kHighBit)) return ResourceId(entry.id);
  const std::uint32_t at = entry.id & ~kHighBit;
  const auto length_at = image_->DirectoryOffset(at, 2);
  const auto length = length_at ? file_.Read(*length_at, 2) : std::nullopt;
  if (!length) return std::nullopt;
  const std::uint32_t units = U16(length->data());
  const auto text_at = image_->DirectoryOffset(at + 2ull, 2ull * units);
  const auto text = text_at ? file_.Read(*text_at, 2ull * units) : std::nullopt;
  if (!text) return std::nullopt;
  std::u16string name(units, u'\0');
  for (std::uint32_t i = 0; i < units; ++i) name[i] = static_cast<char16_t>(U16(text->data() + 2 * i));
  return ResourceId(std::u16string_view(name));
}

std::optional<ResourceLocation> PeResources::DataEntry(const Entry& entry, ResourceId type, ResourceId name) {
  if (entry.IsDirectory()) return std::nullopt;
  const auto where = image_->DirectoryOffset(entry.Target(), 16);
  const auto data_entry = where ? file_.Read(*where, 16) : std::nullopt;
  if (!data_entry) return std::nullopt;
  return ResourceLocation{std::move(type), std::move(name), entry.id, U32(data_entry->data()),
                          U32(data_entry->data() + 4)};
}

std::optional<ResourceLocation> PeResources::Find(const ResourceId& type, const ResourceId& name,
                                                  std::optional<std::uint32_t> language) {
  // Three fixed levels: a directory that points back at itself is visited three times at most.
  auto subdirectory = [&](const std::vector<Entry>& entries, const ResourceId& wanted) -> std::optional<std::uint32_t> {
    for (const Entry& e : entries) {
      if (!e.IsDirectory() || (wanted.is_name != ((e.id & kHighBit) != 0))) continue;
      const auto id = EntryId(e);
      if (id && id->Matches(wanted)) return e.Target();
    }
    return std::nullopt;
  };
  const auto types = Directory(0);
  const auto names_at = types ? subdirectory(*types, type) : std::nullopt;
  const auto names = names_at ? Directory(*names_at) : std::nullopt;
  const auto languages_at = names ? subdirectory(*names, name) : std::nullopt;
  const auto languages = languages_at ? Directory(*languages_at) : std::nullopt;
  if (!languages) return std::nullopt;

  auto pick = [&](std::uint32_t wanted) -> const Entry* {
    for (const Entry& e : *languages)
      if (e.id == wanted && !e.IsDirectory()) return &e;
    return nullptr;
  };
  const Entry* chosen = nullptr;
  if (language) {
    chosen = pick(*language);
  } else {
    const LangId user = UserDefaultLangId();
    const LangId system = SystemDefaultLangId();
    const std::array<std::uint32_t, 7> order = {kNeutral, user, PrimaryLangId(user), system, PrimaryLangId(system),
                                                0x0409, 0x09};
    for (std::size_t i = 0; i < order.size() && chosen == nullptr; ++i)
      if (i == 0 || order[i] != kNeutral) chosen = pick(order[i]);  // an unset language is no wish
    for (auto e = languages->begin(); e != languages->end() && chosen == nullptr; ++e)
      if (!e->IsDirectory()) chosen = &*e;
  }
  if (chosen == nullptr) return std::nullopt;
  return DataEntry(*chosen, type, name);
}

std::optional<std::vector<unsigned char>> PeResources::Read(std::uint32_t rva, std::uint32_t n) {
  const auto at = image_ ? image_->Offset(rva, n) : std::nullopt;
  if (!at) return std::nullopt;
  return file_.Read(*at, n);
}

std::optional<std::vector<unsigned char>> PeResources::Load(const ResourceLocation& resource) {
  return Read(resource.rva, resource.size);
}

std::optional<std::vector<ResourceLocation>> PeResources::List() {
  std::vector<ResourceLocation> found;
  std::size_t looked_at = 0;
  const auto types = Directory(0);
  if (!types) return std::nullopt;
  for (const Entry& t : *types) {
    const auto type = EntryId(t);
    const auto names = (type && t.IsDirectory()) ? Directory(t.Target()) : std::nullopt;
    if (!names || (looked_at += names->size()) > kMaxListed) return std::nullopt;
    for (const Entry& n : *names) {
      const auto name = EntryId(n);
      const auto languages = (name && n.IsDirectory()) ? Directory(n.Target()) : std::nullopt;
      if (!languages || (looked_at += languages->size()) > kMaxListed) return std::nullopt;
      for (const Entry& l : *languages) {
        auto location = DataEntry(l, *type, *name);
        if (!location) return std::nullopt;
        found.push_back(std::move(*location));
      }
    }
  }
  return found;
}

}  // namespace platform::detail
