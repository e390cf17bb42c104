// Discovery with all six host products installed (six registry probes, the base product's
// module switches, six version reads) against six bare stat calls on the same version files,
// in one run.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "products/InstalledProducts.h"
#include "tools/pe_writer/PeWriter.h"

namespace {

std::vector<std::string> g_version_files;

void Discovery(benchmark::State& state) {
  for (auto _ : state) {
    const YlInstalledProducts products;
    if (products.GetCount() != 6) state.SkipWithError("not all six products were found");
    benchmark::DoNotOptimize(products.GetCount());
  }
}
BENCHMARK(Discovery);

void SixBareStats(benchmark::State& state) {
  struct stat status{};
  for (auto _ : state) {
    for (const std::string& file : g_version_files) benchmark::DoNotOptimize(stat(file.c_str(), &status));
  }
}
BENCHMARK(SixBareStats);

void SetEntry(const std::string& path, const std::string& text) {
  platform::RegistryKey key;
  (void)platform::CreateKey(HKEY_LOCAL_MACHINE, path.c_str(), key);
  (void)platform::SetTextValue(key.get(), nullptr, text);
}

}  // namespace

int main(int argc, char** argv) {
  const auto root = std::filesystem::temp_directory_path() / ("tidewell-bench-products-" + std::to_string(getpid()));
  setenv("ORVANE_PREFIX", (root / "machine").c_str(), 1);
  const char* products[][2] = {{"Veltaro Loom", "4.0"},       {"Veltaro Prism Max", "4.0"},
                               {"Veltaro Prism Plus", "4.0"}, {"Veltaro Prism Lite", "4.0"},
                               {"Veltaro Prism Plus Compact", "4.0"}, {"Veltaro Atrium", "1.0"}};
  int n = 0;
  for (const auto& [name, version] : products) {
    const std::string folder = (root / ("host" + std::to_string(n++))).string() + "/";
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "Quenta.ini", std::ios::binary) << "[YlAtrium_#_Setup]\r\nYlPrism=1\r\n";
    pe_writer::PeLayout layout;
    layout.tables = {{"000004b0", {{"FileVersion", "3.20.4.0"}}}};
    std::ofstream(folder + "YlVer.dll", std::ios::binary) << pe_writer::MakePe(layout);
    const std::string key = std::string("Software\\Orvane\\") + name + "\\" + version;
    SetEntry(key + "\\IniFilePath", folder);
    SetEntry(key + "\\InstallPath", folder);
    g_version_files.push_back(folder + "YlVer.dll");
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::filesystem::remove_all(root);
  return 0;
}
