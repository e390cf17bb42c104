// tidewell-seed-demo: fills an emulated machine (ORVANE_PREFIX) with installed Veltaro hosts
// for the demonstration and the end-to-end tests: their registry entries, settings files and
// real YlVer.dll files with a version resource.
//
//   tidewell-seed-demo FOLDER [--old-first] [--files-only]
//
// The hosts go below FOLDER/hosts. With --files-only the registry is left alone and each
// host's key and folder are printed instead, one "KEY<TAB>FOLDER" line each, for a caller
// that registers them itself (the Windows end-to-end test through wine's reg, scripts/demo
// from resources/demo-machine.reg). In probe order: "Veltaro Loom" 3.22.1.0 (newer than the
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

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << bytes;
  file.close();
  return !file.fail();
}

bool Install(const std::filesystem::path& hosts, bool files_only, const char* name, const char* version_key,
             const char* file_version, const char* settings) {
  const std::filesystem::path folder = hosts / name;
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) return false;
  const std::string prefix = folder.string() + platform::kPathSeparator;
  if (!WriteFile(prefix + "Quenta.ini", settings)) return false;
  pe_writer::PeLayout layout;
  layout.pe32_plus = true;
  layout.tables = {{"000004b0", {{"CompanyName", "Orvane"}, {"FileVersion", file_version}, {"ProductName", name}}}};
  if (!WriteFile(prefix + "YlVer.dll", pe_writer::MakePe(layout))) return false;
  const std::string key = std::string("Software\\Orvane\\") + name + "\\" + version_key;
  if (files_only) return std::printf("%s\t%s\n", key.c_str(), prefix.c_str()) > 0;
  return SetEntry(key + "\\IniFilePath", prefix) && SetEntry(key + "\\InstallPath", prefix);
}

}  // namespace

int main(int argc, char** argv) {
  bool old_first = false, files_only = false, usage = argc < 2 || std::strcmp(argv[1], "--help") == 0;
  for (int i = 2; i < argc && !usage; ++i) {
    if (std::strcmp(argv[i], "--old-first") == 0) old_first = true;
    else if (std::strcmp(argv[i], "--files-only") == 0) files_only = true;
    else usage = true;
  }
  if (usage) {
    std::fprintf(stderr, "usage: tidewell-seed-demo FOLDER [--old-first] [--files-only]\n");
    return 2;
  }
  const std::filesystem::path hosts = std::filesystem::path(argv[1]) / "hosts";
  const bool ok =
      Install(hosts, files_only, "Veltaro Loom", "4.0", old_first ? "3.19.2.0" : "3.22.1.0", "") &&
      Install(hosts, files_only, "Veltaro Prism Max", "4.0", "3.20.4.0", "") &&
      Install(hosts, files_only, "Veltaro Prism Plus", "4.0", "3.19.2.0", "") &&
      Install(hosts, files_only, "Veltaro Atrium", "1.0", "3, 70, 35, 0", "[YlAtrium_#_Setup]\r\nYlPrism=1\r\n");
  if (!ok) {
    std::fprintf(stderr, "tidewell-seed-demo: the hosts cannot be written\n");
    return 1;
  }
  if (!files_only) std::printf("seeded four hosts below %s\n", hosts.string().c_str());
  return 0;
}
