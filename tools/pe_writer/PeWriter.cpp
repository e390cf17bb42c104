// Writes PE files with a .text and a .rsrc section; the resource tree holds the version
// resource (type 16, name 1) in the requested languages and the layout's other resources.
#include "tools/pe_writer/PeWriter.h"

#include <algorithm>

#include "platform/unicode.h"

namespace pe_writer {
namespace {

class Bytes {
 public:
  void U8(std::uint8_t v) { s_.push_back(static_cast<char>(v)); }
  void U16(std::uint16_t v) { U8(static_cast<std::uint8_t>(v & 0xFF)), U8(static_cast<std::uint8_t>(v >> 8)); }
  void U32(std::uint32_t v) { U16(static_cast<std::uint16_t>(v & 0xFFFF)), U16(static_cast<std::uint16_t>(v >> 16)); }
  void U64(std::uint64_t v) { U32(static_cast<std::uint32_t>(v)), U32(static_cast<std::uint32_t>(v >> 32)); }
  void Raw(const std::string& b) { s_ += b; }
  void Pad(std::size_t alignment, std::size_t from = 0) {
    while ((s_.size() - from) % alignment) U8(0);
  }
  void PadTo(std::size_t size) { s_.resize(size, '\0'); }
  void Patch16(std::size_t at, std::uint16_t v) {
    s_[at] = static_cast<char>(v & 0xFF);
    s_[at + 1] = static_cast<char>(v >> 8);
  }
  std::size_t size() const { return s_.size(); }
  const std::string& str() const { return s_; }

 private:
  std::string s_;
};

std::u16string Wide(const std::string& utf8) {
  std::u16string w;
  platform::Utf8ToUtf16(utf8, w);
  return w;
}

// One version block: header, key, aligned value, aligned children.
std::string Block(const std::string& key, std::uint16_t type, const std::string& value,
                  std::uint16_t value_length, const std::vector<std::string>& children) {
  Bytes b;
  b.U16(0);
  b.U16(value_length);
  b.U16(type);
  for (char16_t c : Wide(key)) b.U16(c);
  b.U16(0);
  b.Pad(4);
  b.Raw(value);
  for (const std::string& child : children) {
    b.Pad(4);
    b.Raw(child);
  }
  b.Patch16(0, static_cast<std::uint16_t>(b.size()));
  return b.str();
}

std::string TextBlock(const std::string& key, const std::string& text) {
  Bytes value;
  const std::u16string w = Wide(text);
  for (char16_t c : w) value.U16(c);
  value.U16(0);
  return Block(key, 1, value.str(), static_cast<std::uint16_t>(w.size() + 1), {});
}

// The resource tree as the file stores it, with each part's offset in the resource section.
struct Leaf {
  std::uint16_t language;
  std::string data;
  std::uint32_t slack;  // zero bytes after the data, inside its data entry
  std::uint32_t entry_at = 0, data_at = 0;
};
struct NameNode {
  ResourceName name;
  std::vector<Leaf> leaves;
  std::uint32_t id = 0, at = 0;
};
struct TypeNode {
  ResourceName type;
  std::vector<NameNode> names;
  std::uint32_t id = 0, at = 0;
};

const ResourceName& IdOf(const TypeNode& node) { return node.type; }
const ResourceName& IdOf(const NameNode& node) { return node.name; }

// The node of `id` among `nodes`, added when missing: named nodes before numbered ones.
template <typename Node>
Node& Place(std::vector<Node>& nodes, const ResourceName& id) {
  auto it = std::find_if(nodes.begin(), nodes.end(), [&](const Node& node) { return IdOf(node) == id; });
  if (it != nodes.end()) return *it;
  auto before = nodes.end();
  if (!id.text.empty())
    before = std::find_if(nodes.begin(), nodes.end(), [](const Node& node) { return IdOf(node).text.empty(); });
  return *nodes.insert(before, Node{id, {}});
}

template <typename Node>
std::uint16_t NamedCount(const std::vector<Node>& nodes) {
  return static_cast<std::uint16_t>(
      std::count_if(nodes.begin(), nodes.end(), [](const Node& node) { return !IdOf(node).text.empty(); }));
}

void Add(std::vector<TypeNode>& tree, const ResourceName& type, const ResourceName& name, Leaf leaf) {
  Place(Place(tree, type).names, name).leaves.push_back(std::move(leaf));
}

}  // namespace

std::string MakeVersionBlock(const PeLayout& layout, std::uint16_t language) {
  Bytes fixed;
  const auto& v = layout.fixed_version;
  for (std::uint32_t word : {0xFEEF04BDu, 0x00010000u, std::uint32_t(v[0]) << 16 | v[1], std::uint32_t(v[2]) << 16 | v[3],
                             std::uint32_t(v[0]) << 16 | v[1], std::uint32_t(v[2]) << 16 | v[3], 0x3Fu, 0u, 0x40004u,
                             2u, 0u, 0u, 0u})
    fixed.U32(word);

  std::vector<std::string> children;
  if (!layout.tables.empty()) {
    std::vector<std::string> tables;
    for (const VersionStringTable& t : layout.tables) {
      std::vector<std::string> strings;
      for (const auto& [key, text] : t.strings) strings.push_back(TextBlock(key, text));
      if (layout.tag_languages) strings.push_back(TextBlock("ResourceLanguage", std::to_string(language)));
      tables.push_back(Block(t.name, 1, "", 0, strings));
    }
    children.push_back(Block("StringFileInfo", 1, "", 0, tables));
  }
  if (!layout.translations.empty()) {
    Bytes words;
    for (std::uint32_t t : layout.translations) words.U32(t);
    const std::string translation =
        Block("Translation", 0, words.str(), static_cast<std::uint16_t>(words.size()), {});
    children.push_back(Block("VarFileInfo", 1, "", 0, {translation}));
  }
  return Block("VS_VERSION_INFO", 0, fixed.str(), 52, children);
}

std::string MakePe(const PeLayout& layout) {
  constexpr std::uint32_t kFileAlign = 0x200, kSectionAlign = 0x1000;
  constexpr std::uint32_t kTextRva = 0x1000, kRsrcRva = 0x2000;
  const bool plus = layout.pe32_plus;
  // The resource tree: the version blocks (type 16, or 24 for a file without a version
  // resource), then the layout's other resources.
  std::vector<TypeNode> tree;
  const ResourceName version_type{layout.version_resource ? 16u : 24u, ""};
  for (std::uint16_t language : layout.languages)
    Add(tree, version_type, {1, ""}, {language, MakeVersionBlock(layout, language), layout.data_entry_slack});
  for (const Resource& r : layout.resources) Add(tree, r.type, r.name, {r.language, r.data, 0});

  // Offsets, depth first: the directories (root, each type's names, each name's languages),
  // the data entries, the names' strings, then the data.
  auto directory_size = [](std::size_t entries) { return static_cast<std::uint32_t>(16 + 8 * entries); };
  std::uint32_t at = directory_size(tree.size());
  for (TypeNode& type : tree) {
    type.at = at;
    at += directory_size(type.names.size());
    for (NameNode& name : type.names) name.at = at, at += directory_size(name.leaves.size());
  }
  for (TypeNode& type : tree)
    for (NameNode& name : type.names)
      for (Leaf& leaf : name.leaves) leaf.entry_at = at, at += 16;
  std::vector<std::pair<std::uint32_t, std::u16string>> strings;
  auto string_at = [&](const ResourceName& id) {
    if (id.text.empty()) return id.number;
    strings.emplace_back(at, Wide(id.text));
    const std::uint32_t here = at;
    at += static_cast<std::uint32_t>(2 + 2 * strings.back().second.size());
    return 0x80000000u | here;
  };
  for (TypeNode& type : tree) {
    type.id = string_at(type.type);
    for (NameNode& name : type.names) name.id = string_at(name.name);
  }
  at = (at + 3) & ~3u;
  for (TypeNode& type : tree)
    for (NameNode& name : type.names)
      for (Leaf& leaf : name.leaves)
        leaf.data_at = at, at += static_cast<std::uint32_t>((leaf.data.size() + leaf.slack + 3) & ~std::size_t{3});

  Bytes rsrc;
  auto directory = [&](std::uint16_t named, std::uint16_t numbered) {
    rsrc.U32(0), rsrc.U32(0), rsrc.U16(4), rsrc.U16(0), rsrc.U16(named), rsrc.U16(numbered);
  };
  const auto named_types = NamedCount(tree);
  directory(named_types, static_cast<std::uint16_t>(tree.size() - named_types));
  for (const TypeNode& type : tree) rsrc.U32(type.id), rsrc.U32(0x80000000u | type.at);
  for (const TypeNode& type : tree) {
    const auto named_names = NamedCount(type.names);
    directory(named_names, static_cast<std::uint16_t>(type.names.size() - named_names));
    for (const NameNode& name : type.names) rsrc.U32(name.id), rsrc.U32(0x80000000u | name.at);
    for (const NameNode& name : type.names) {
      directory(0, static_cast<std::uint16_t>(name.leaves.size()));
      for (const Leaf& leaf : name.leaves) rsrc.U32(leaf.language), rsrc.U32(leaf.entry_at);
    }
  }
  for (const TypeNode& type : tree)
    for (const NameNode& name : type.names)
      for (const Leaf& leaf : name.leaves)
        rsrc.U32(kRsrcRva + leaf.data_at), rsrc.U32(static_cast<std::uint32_t>(leaf.data.size() + leaf.slack)),
            rsrc.U32(0), rsrc.U32(0);
  for (const auto& [offset, text] : strings) {
    rsrc.U16(static_cast<std::uint16_t>(text.size()));
    for (char16_t c : text) rsrc.U16(c);
  }
  rsrc.Pad(4);
  for (const TypeNode& type : tree)
    for (const NameNode& name : type.names)
      for (const Leaf& leaf : name.leaves) {
        rsrc.Raw(leaf.data);
        rsrc.PadTo(rsrc.size() + leaf.slack);
        rsrc.Pad(4);
      }
  const auto rsrc_size = static_cast<std::uint32_t>(rsrc.size());
  const std::uint32_t rsrc_raw = (rsrc_size + kFileAlign - 1) & ~(kFileAlign - 1);

  Bytes f;
  f.U16(0x5A4D);  // "MZ"
  f.PadTo(0x3C);
  f.U32(0x80);
  f.PadTo(0x80);
  f.U32(0x00004550);                                     // "PE\0\0"
  f.U16(plus ? 0x8664 : 0x014C);                         // machine
  f.U16(2);                                              // sections
  f.U32(0x5F5E1000), f.U32(0), f.U32(0);                 // time stamp, symbols
  f.U16(plus ? 240 : 224);                               // optional header size
  f.U16(plus ? 0x2022 : 0x2102);                         // DLL, executable (, 32-bit)
  f.U16(plus ? 0x20B : 0x10B);
  f.U8(14), f.U8(0);                                     // linker version
  f.U32(kFileAlign), f.U32(rsrc_raw), f.U32(0);          // code, initialised, uninitialised
  f.U32(0), f.U32(kTextRva);                             // entry point, base of code
  if (plus) {
    f.U64(0x180000000ull);
  } else {
    f.U32(kRsrcRva), f.U32(0x10000000);                  // base of data, image base
  }
  f.U32(kSectionAlign), f.U32(kFileAlign);
  f.U16(6), f.U16(0), f.U16(0), f.U16(0), f.U16(6), f.U16(0), f.U32(0);  // versions
  f.U32(kRsrcRva + ((rsrc_size + kSectionAlign - 1) & ~(kSectionAlign - 1)));  // image size
  f.U32(kFileAlign);                                     // headers size
  f.U32(0), f.U16(2), f.U16(0x0140);                     // checksum, GUI, DLL characteristics
  for (int i = 0; i < 4; ++i) plus ? f.U64(0x100000) : f.U32(0x100000);  // stack, heap
  f.U32(0), f.U32(16);                                   // loader flags, directories
  for (int i = 0; i < 16; ++i) {
    if (i == 2) f.U32(kRsrcRva), f.U32(rsrc_size);
    else f.U32(0), f.U32(0);
  }
  auto section = [&](const char* name, std::uint32_t rva, std::uint32_t vsize, std::uint32_t raw_size,
                     std::uint32_t raw_at, std::uint32_t flags) {
    std::string n(name);
    n.resize(8, '\0');
    f.Raw(n);
    f.U32(vsize), f.U32(rva), f.U32(raw_size), f.U32(raw_at), f.U32(0), f.U32(0), f.U16(0), f.U16(0), f.U32(flags);
  };
  section(".text", kTextRva, 1, kFileAlign, kFileAlign, 0x60000020);
  section(".rsrc", kRsrcRva, rsrc_size, rsrc_raw, 2 * kFileAlign, 0x40000040);
  f.PadTo(kFileAlign);
  f.U8(0xC3);  // ret
  f.PadTo(2 * kFileAlign);
  f.Raw(rsrc.str());
  f.PadTo(2 * kFileAlign + rsrc_raw);
  return f.str();
}

}  // namespace pe_writer
