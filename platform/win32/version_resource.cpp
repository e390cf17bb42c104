// Version resources on Windows: GetFileVersionInfoSizeA and GetFileVersionInfoA read the
// block (the system finds a bare name and chooses the language); FromBlock parses it.
#include "platform/version_resource.h"

#include <cstddef>
#include <vector>

#include "platform/win32/win32_api.h"

namespace platform {

std::optional<VersionInfo> VersionInfo::FromFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<unsigned char> block(size);
  if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return std::nullopt;
  // The system's size has room for a converted copy after the block; the block itself is as
  // long as its root's wLength says.
  const std::size_t length = static_cast<std::size_t>(block[0]) | (static_cast<std::size_t>(block[1]) << 8);
  if (length < 6 || length > block.size()) return std::nullopt;
  return FromBlock(std::span<const unsigned char>(block.data(), length));
}

}  // namespace platform
