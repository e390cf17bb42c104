// Discovery of the installed host products.
#include "products/InstalledProducts.h"

#include <cctype>
#include <cstring>
#include <iterator>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "products/HostVersion.h"

namespace {

constexpr const char* kCompany = "Orvane";
constexpr const char* kBaseProduct = "Veltaro Atrium";
constexpr const char* kIniName = "Quenta.ini";
constexpr std::uint32_t kIniFilePathLimit = 255;
constexpr std::uint32_t kInstallPathLimit = 4095;

// The base product's kind is not in the table: its settings file decides it.
constexpr std::uint32_t kKindFromSettings = 0;

struct TableRow {
  const char* displayName;
  std::uint32_t kind;
  std::int32_t number;
};

// In probe order.
constexpr TableRow kProducts[] = {
    {"Veltaro Loom", productkind::kWeb, 4},
    {"Veltaro Prism Max", productkind::kPrismMax, 4},
    {"Veltaro Prism Plus", productkind::kPrismPlus, 4},
    {"Veltaro Prism Lite", productkind::kPrismLite, 4},
    {"Veltaro Prism Plus Compact", productkind::kPrismPlusCompact, 4},
    {kBaseProduct, kKindFromSettings, 2},
};

// The unnamed text value of HKEY_LOCAL_MACHINE\<path>, read into `limit` bytes with the NUL.
bool ReadEntry(const std::string& path, std::uint32_t limit, std::string& text) {
  platform::RegistryKey key;
  if (platform::OpenKey(HKEY_LOCAL_MACHINE, path.c_str(), platform::KeyAccess::kRead, key) != platform::kErrorSuccess)
    return false;
  std::string buffer(limit, '\0');
  std::uint32_t size = limit;
  if (platform::QueryTextValue(key.get(), nullptr, buffer.data(), &size) != platform::kErrorSuccess) return false;
  text = buffer.c_str();
  return true;
}

bool ModuleSwitchedOn(const std::string& ini, const char* module) {
  char value[255];
  platform::ReadProfileEntry("YlAtrium_#_Setup", module, "0", value, sizeof value, ini.c_str());
  return std::strcmp(value, "1") == 0;
}

}  // namespace

YlInstalledProducts::YlInstalledProducts() {
  for (const TableRow& row : kProducts) ProbeProduct(row.displayName);
}

YlInstalledProducts::~YlInstalledProducts() = default;

void YlInstalledProducts::ProbeProduct(const char* displayName) {
  const char* versionKey = std::strcmp(displayName, kBaseProduct) == 0 ? "1.0" : "4.0";
  QxString keyPath, settingsFolder, installFolder;
  if (!ReadProductKeys(displayName, kCompany, versionKey, keyPath, settingsFolder, installFolder)) return;
  (void)AppendProduct(displayName, keyPath, settingsFolder, installFolder, true);
}

bool YlInstalledProducts::ReadProductKeys(const char* displayName, const char* company, const char* versionKey,
                                          QxString& keyPath, QxString& settingsFolder, QxString& installFolder) {
  keyPath.Empty();
  settingsFolder.Empty();
  if (displayName == nullptr) return false;
  const std::string key = std::string("Software\\") + company + "\\" + displayName + "\\" + versionKey;
  keyPath = key.c_str();

  std::string folder;
  if (!ReadEntry(key + "\\IniFilePath", kIniFilePathLimit, folder)) return false;
  platform::AppendPathSeparator(folder);
  if (platform::FileExists((folder + kIniName).c_str())) settingsFolder = folder.c_str();

  installFolder.Empty();
  std::string install;
  if (ReadEntry(key + "\\InstallPath", kInstallPathLimit, install)) {
    installFolder = install.c_str();
    installFolder.TrimRight();
  }
  return !settingsFolder.IsEmpty();
}

bool YlInstalledProducts::AppendProduct(const char* displayName, const QxString& keyPath,
                                        const QxString& settingsFolder, const QxString& installFolder,
                                        bool readVersion) {
  // One folder is one installation, compared as the system compares file names: without case
  // by its own table, accented letters included. The POSIX build keeps that rule although its
  // file systems tell case apart: the folders come from registry entries written for the
  // Windows system, whose names and values compare the same way there.
  for (const auto& listed : m_products) {
    if (platform::AnsiEqualNoCase(static_cast<const char*>(listed->settingsFolder), static_cast<const char*>(settingsFolder))) return false;
  }
  const TableRow* row = nullptr;
  for (const TableRow& r : kProducts)
    if (std::strcmp(r.displayName, displayName) == 0) row = &r;
  if (row == nullptr) return true;

  std::uint32_t kind = row->kind;
  if (kind == kKindFromSettings) {
    const std::string ini = std::string(settingsFolder) + kIniName;
    if (platform::FileExists(ini.c_str())) {
      if (ModuleSwitchedOn(ini, "YlPrism")) kind = productkind::kBasePhoto;
      if (ModuleSwitchedOn(ini, "YlLoom")) kind = productkind::kWeb;
    }
    if (kind == kKindFromSettings) return true;  // neither module on: not a listed host
  }

  auto product = std::make_unique<Product>();
  product->kind = kind;
  product->number = row->number;
  product->displayName = displayName;
  product->keyPath = keyPath;
  product->settingsFolder = settingsFolder;
  product->installFolder = installFolder;
  if (readVersion) {
    ReadHostVersion(installFolder);
    const char* version = kind == productkind::kPrismMax ? GetMaxVersionText()
                          : kind == productkind::kWeb    ? GetLoomVersionText()
                                                         : GetBaseVersionText();
    product->productVersion = version;
    product->hostFileVersion = GetHostFileVersion();
  }
  m_products.push_back(std::move(product));
  return true;
}
