// Version resources read by our own PE reader: the VS_VERSIONINFO block (type 16, name 1, the
// loader's language choice) read straight out of a PE32 or PE32+ file's resource section.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/emulation/pe_resources.h"
#include "platform/version_resource.h"

namespace platform {
namespace {

constexpr std::uint32_t kRtVersion = 16;
constexpr std::uint32_t kVersionName = 1;

std::optional<std::vector<unsigned char>> ReadVersionBlock(const std::string& path) {
  detail::PeResources file(path);
  const auto entry = file.Find(kRtVersion, kVersionName);
  // The block's own length governs, as on Windows: a data entry may be larger than the block
  // it holds, never smaller.
  if (!entry || entry->size < 2) return std::nullopt;
  const auto length_bytes = file.Read(entry->rva, 2);
  if (!length_bytes) return std::nullopt;
  const std::uint32_t length = (*length_bytes)[0] | ((*length_bytes)[1] << 8);
  if (length == 0 || length > entry->size) return std::nullopt;
  return file.Read(entry->rva, length);
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
