// tidewell-seed-demo: fills an emulated machine (ORVANE_PREFIX) with installed Veltaro hosts
// for the demonstration and the end-to-end tests: their registry entries, settings files and
// real YlVer.dll files with a version resource.
//
//   tidewell-seed-demo FOLDER [--old-first] [--files-only]
//
// --files-only makes the host folders and leaves the registry alone: the demonstration
// imports the hosts' registry entries from resources/demo-machine.reg.
// The hosts go below FOLDER/hosts. In probe order: "Veltaro Loom" 3.22.1.0 (newer than the
// plug-in needs; with --old-first 3.19.2.0, older), "Veltaro Prism Max" at exactly 3.20.4.0,
// "Veltaro Prism Plus" 3.19.2.0 (older), and the base product "Veltaro Atrium" with its
// photo module switched on, version "3, 70, 35, 0".
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/paths.h"
#include "platform/registry.h"
#include "tools/pe_writer/PeWriter.h"

namespace {

bool SetEntry(const std::string& path, const std::string& text) {
  platform::RegistryKey key;
  return platform::CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), key) == platform::kErrorSuccess &&
         platform::SetTextValue(key.get(), nullptr, text) == platform::kErrorSuccess;
}

bool Install(const std::filesystem::path& hosts, const char* name, const char* version_key, const char* file_version,
             const char* settings, bool files_only) {
  const std::filesystem::path folder = hosts / name;
  std::filesystem::create_directories(folder);
  const std::string prefix = folder.string() + platform::kPathSeparator;
  std::ofstream(prefix + "Quenta.ini", std::ios::binary) << settings;
  pe_writer::PeLayout layout;
  layout.pe32_plus = true;
  layout.tables = {{"000004b0", {{"CompanyName", "Orvane"}, {"FileVersion", file_version}, {"ProductName", name}}}};
  std::ofstream(prefix + "YlVer.dll", std::ios::binary) << pe_writer::MakePe(layout);
  if (files_only) return true;
  const std::string key = std::string("Software\\Orvane\\") + name + "\\" + version_key;
  return SetEntry(key + "\\IniFilePath", prefix) && SetEntry(key + "\\InstallPath", prefix);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(stderr, "usage: tidewell-seed-demo FOLDER [--old-first] [--files-only]\n");
    return 2;
  }
  bool old_first = false, files_only = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--old-first") == 0) {
      old_first = true;
    } else if (std::strcmp(argv[i], "--files-only") == 0) {
      files_only = true;
    } else {
      std::fprintf(stderr, "tidewell-seed-demo: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  const std::filesystem::path hosts = std::filesystem::path(argv[1]) / "hosts";
  const bool ok =
      Install(hosts, "Veltaro Loom", "4.0", old_first ? "3.19.2.0" : "3.22.1.0", "", files_only) &&
      Install(hosts, "Veltaro Prism Max", "4.0", "3.20.4.0", "", files_only) &&
      Install(hosts, "Veltaro Prism Plus", "4.0", "3.19.2.0", "", files_only) &&
      Install(hosts, "Veltaro Atrium", "1.0", "3, 70, 35, 0", "[YlAtrium_#_Setup]\r\nYlPrism=1\r\n", files_only);
  if (!ok) {
    std::fprintf(stderr, "tidewell-seed-demo: the registry of the emulated machine cannot be written\n");
    return 1;
  }
  std::printf("seeded four hosts below %s\n", hosts.c_str());
  return 0;
}
