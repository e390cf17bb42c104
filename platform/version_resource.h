// Version resources of executable files, after GetFileVersionInfoSizeA, GetFileVersionInfoA
// and VerQueryValueA: the fixed file information and every string table of a file's
// VS_VERSIONINFO block, and text queries by sub-block path.
//
//   auto info = platform::VersionInfo::FromFile("/hosts/a/YlVer.dll");
//   if (info) {
//     auto v = info->QueryString("\\StringFileInfo\\000004b0\\FileVersion");  // "3.20.4.0"
//   }
//
// Parsing a VS_VERSIONINFO block (FromBlock, the queries) is shared by every backend. Reading
// it out of a file: the Windows backend asks the system; the POSIX backend has our own
// reader of PE32 and PE32+ files (platform/emulation/pe_version.cpp over pe_resources.h),
// which takes the resource of type 16 (RT_VERSION), name 1, in the language the Windows
// loader picks for a neutral request. Every offset and length is checked: a damaged or hostile file gives "no version".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// VS_FIXEDFILEINFO.
struct FixedFileInfo {
  std::uint32_t signature = 0;  // 0xFEEF04BD
  std::uint32_t struc_version = 0;
  std::uint32_t file_version_ms = 0, file_version_ls = 0;
  std::uint32_t product_version_ms = 0, product_version_ls = 0;
  std::uint32_t flags_mask = 0, flags = 0, os = 0, type = 0, subtype = 0;
  std::uint32_t date_ms = 0, date_ls = 0;
};

// One block of the version tree: a key, a text or binary value, and child blocks.
struct VersionBlock {
  std::u16string key;
  bool is_text = false;
  std::u16string text;              // text value, without its terminating NUL
  std::vector<unsigned char> data;  // binary value
  std::vector<VersionBlock> children;
};

class VersionInfo {
 public:
  // Reads the version resource of the file at `path`. A bare file name (no path separator) is looked
  // for in the program's folder, then in the current folder. Empty when the file is
  // missing, is not a PE file, has no version resource or the resource is damaged.
  [[nodiscard]] static std::optional<VersionInfo> FromFile(const std::string& path);

  // Parses a raw VS_VERSIONINFO block. Empty when the root block is damaged; damaged
  // children are left out.
  [[nodiscard]] static std::optional<VersionInfo> FromBlock(std::span<const unsigned char> block);

  // The size of the raw block as the resource stores it (the root block's length; the system's
  // GetFileVersionInfoSize reports more, room it keeps for conversions).
  [[nodiscard]] std::size_t BlockSize() const { return block_size_; }

  // The root block "VS_VERSION_INFO" with the whole tree below it.
  [[nodiscard]] const VersionBlock& Root() const { return root_; }

  // The fixed file information, when the root carries a valid one.
  [[nodiscard]] std::optional<FixedFileInfo> Fixed() const;

  // The text value at a sub-block path such as "\StringFileInfo\040904b0\FileVersion", in the
  // ANSI code page. Path components compare without case, empty components are skipped,
  // and there is no fallback to another string table. Empty when there is no such text.
  [[nodiscard]] std::optional<std::string> QueryString(std::string_view sub_block) const;

  // The block at a sub-block path ("\" or "" is the root), or null.
  [[nodiscard]] const VersionBlock* Find(std::string_view sub_block) const;

 private:
  VersionBlock root_;
  std::size_t block_size_ = 0;
};

}  // namespace platform
