// Feeds arbitrary bytes to the version-resource reader, as a whole "YlVer.dll" file and as a
// raw version block, and queries the result; the same file goes through the PE resource
// reader's listing and its search by name.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "platform/emulation/pe_resources.h"
#include "platform/version_resource.h"

namespace {

// One file per fuzzing process, rewritten for every input.
const std::string& ScratchFile() {
  static const std::string path = "/tmp/tidewell-version-fuzz-" + std::to_string(getpid()) + ".dll";
  return path;
}

void Query(const platform::VersionInfo& info) {
  (void)info.QueryString("\\StringFileInfo\\000004b0\\FileVersion");
  (void)info.QueryString("\\\\stringfileinfo\\\\040904B0\\ProductName\\");
  (void)info.Fixed();
  if (info.BlockSize() > 0x10000) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (auto block = platform::VersionInfo::FromBlock(std::span(data, size))) Query(*block);

  std::FILE* file = std::fopen(ScratchFile().c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data, 1, size, file);
  std::fclose(file);
  if (auto info = platform::VersionInfo::FromFile(ScratchFile())) Query(*info);

  platform::detail::PeResources resources(ScratchFile());
  if (const auto all = resources.List()) {
    for (const auto& resource : *all) {
      const auto bytes = resources.Load(resource);
      if (bytes && bytes->size() > size) std::abort();
    }
  }
  if (const auto table = resources.Find(u"xml", u"zebstrings", 1031)) (void)resources.Load(*table);
  return 0;
}
