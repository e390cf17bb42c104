// Parsing and querying VS_VERSIONINFO blocks; the same on every platform.
#include "platform/version_resource.h"

#include <cstring>

#include "platform/codepage.h"

namespace platform {
namespace {

constexpr std::size_t kHeaderSize = 6;  // wLength, wValueLength, wType
constexpr int kMaxDepth = 8;            // real trees are four levels deep
constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t{3}; }

// Parses the block at the start of `bytes` (which ends where the enclosing block ends).
// Offsets inside a block are aligned to 32 bits from the block's own start.
std::optional<VersionBlock> ParseBlock(std::span<const unsigned char> bytes, int depth) {
  if (bytes.size() < kHeaderSize) return std::nullopt;
  const std::size_t length = U16(bytes.data());
  const std::size_t value_length = U16(bytes.data() + 2);
  const std::uint16_t type = U16(bytes.data() + 4);
  if (length < kHeaderSize || length > bytes.size()) return std::nullopt;
  bytes = bytes.first(length);

  VersionBlock block;
  std::size_t pos = kHeaderSize;
  for (;; pos += 2) {
    if (pos + 2 > length) return std::nullopt;  // the key must end inside the block
    const char16_t c = U16(bytes.data() + pos);
    if (c == 0) break;
    block.key.push_back(c);
  }
  pos = Align4(pos + 2);

  block.is_text = type == 1;
  if (block.is_text) {
    // wValueLength counts UTF-16 units including the NUL; a value cut by the block's end
    // keeps what fits.
    const std::size_t end = std::min(length, pos + 2 * value_length);
    for (std::size_t p = pos; p + 2 <= end; p += 2) {
      const char16_t c = U16(bytes.data() + p);
      if (c == 0) break;
      block.text.push_back(c);
    }
    pos = Align4(std::min(end, length));
  } else {
    if (pos + value_length > length) return std::nullopt;
    block.data.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                      bytes.begin() + static_cast<std::ptrdiff_t>(pos + value_length));
    pos = Align4(pos + value_length);
  }

  if (depth < kMaxDepth) {
    while (pos + kHeaderSize <= length) {
      const std::size_t child_length = U16(bytes.data() + pos);
      if (child_length < kHeaderSize) break;  // would make no progress
      auto child = ParseBlock(bytes.subspan(pos), depth + 1);
      if (!child) break;  // damaged: keep the siblings read so far
      block.children.push_back(std::move(*child));
      pos = Align4(pos + child_length);
    }
  }
  return block;
}

char16_t Fold(char16_t c) { return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c; }

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (Fold(a[i]) != Fold(b[i])) return false;
  return true;
}

}  // namespace

std::optional<VersionInfo> VersionInfo::FromBlock(std::span<const unsigned char> block) {
  auto root = ParseBlock(block, 0);
  if (!root) return std::nullopt;
  VersionInfo info;
  info.root_ = std::move(*root);
  info.block_size_ = block.size();
  return info;
}

std::optional<FixedFileInfo> VersionInfo::Fixed() const {
  const auto& d = root_.data;
  if (root_.is_text || d.size() < 52 || U32(d.data()) != kFixedSignature) return std::nullopt;
  std::uint32_t f[13];
  for (int i = 0; i < 13; ++i) f[i] = U32(d.data() + 4 * i);
  return FixedFileInfo{f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10], f[11], f[12]};
}

const VersionBlock* VersionInfo::Find(std::string_view sub_block) const {
  std::u16string path;
  if (!ToUtf16(sub_block, kCodePageAnsi, path)) return nullptr;
  const VersionBlock* block = &root_;
  std::size_t pos = 0;
  while (pos < path.size()) {
    std::size_t end = path.find(u'\\', pos);
    if (end == std::u16string::npos) end = path.size();
    const std::u16string_view name(path.data() + pos, end - pos);
    pos = end + 1;
    if (name.empty()) continue;
    const VersionBlock* next = nullptr;
    for (const VersionBlock& child : block->children) {
      if (EqualsNoCase(child.key, name)) {
        next = &child;
        break;
      }
    }
    if (next == nullptr) return nullptr;
    block = next;
  }
  return block;
}

std::optional<std::string> VersionInfo::QueryString(std::string_view sub_block) const {
  const VersionBlock* block = Find(sub_block);
  // A string table is a text block too, but one with children: not a text value.
  if (block == nullptr || !block->is_text || !block->children.empty()) return std::nullopt;
  std::string text;
  if (!FromUtf16(block->text, kCodePageAnsi, text)) return std::nullopt;
  return text;
}

}  // namespace platform
