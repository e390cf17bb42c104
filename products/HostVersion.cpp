// The host version reader: finding "YlVer.dll", reading its file version and deriving the
// product version texts.
#include "products/HostVersion.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/version_resource.h"
#include "settings/YlRegistry.h"
#include "settings/YlResult.h"

namespace {

constexpr const char* kVersionFile = "YlVer.dll";
constexpr std::size_t kMaxFileName = 255;
constexpr int kSettingsBuffer = 255;

struct State {
  bool read = false;  // a read has happened: the texts below are set
  bool loaded = false;
  std::string file_version, base, max, loom;
};

// Constructed on first use: the start-up read happens during static initialisation.
State& TheState() {
  static State state;
  return state;
}

// "%d.%d.%d.%d": each field skips leading white space and takes an optional sign and digits;
// parsing stops at the first field that does not match. Returns how many fields parsed.
int ParseVersion(const char* text, long long (&fields)[4]) {
  const char* p = text;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      if (*p != '.') return i;
      ++p;
    }
    while (std::isspace(static_cast<unsigned char>(*p))) ++p;
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    if (!std::isdigit(static_cast<unsigned char>(*p))) return i;
    char* end = nullptr;
    long long n = std::strtoll(start, &end, 10);
    // Signed 32-bit fields, as the text's numbers are meant to be.
    fields[i] = n < INT_MIN ? INT_MIN : n > INT_MAX ? INT_MAX : n;
    p = end;
  }
  return 4;
}

std::string Form(long long a, long long b, long long t, long long f) {
  char text[96];
  if (f == 0) std::snprintf(text, sizeof text, "%lld.%lld", a, b);
  else std::snprintf(text, sizeof text, "%lld.%lld.%lld.%lld", a, b, t, f);
  return text;
}

std::optional<platform::VersionInfo> VersionOf(const std::string& file) {
  if (file.size() > kMaxFileName) return std::nullopt;
  return platform::VersionInfo::FromFile(file);
}

// The base product's folder holds the version file when the host's folder does not.
std::optional<platform::VersionInfo> VersionAtBaseLocation() {
  YlRegistry settings("YlAtrium", nullptr);
  char ini_folder[kSettingsBuffer];
  if (settings.GetKeyValue(HKEY_LOCAL_MACHINE, "IniFilePath", ini_folder, kSettingsBuffer) != ylresult::kSuccess)
    return std::nullopt;
  const std::string ini = std::string(ini_folder) + "Quenta.ini";
  char base[kSettingsBuffer];
  platform::ReadProfileEntry("YlAtrium_#_Locations", "Base", "0", base, kSettingsBuffer, ini.c_str());
  if (std::strcmp(base, "0") == 0) return std::nullopt;
  return VersionOf(std::string(base) + kVersionFile);
}

const char* TextOrNull(const std::string& text) { return TheState().read ? text.c_str() : nullptr; }

}  // namespace

void ReadHostVersion(const char* folder) {
  State& state = TheState();
  state = State();
  state.read = true;

  const std::string file = folder != nullptr && *folder != '\0' ? std::string(folder) + kVersionFile : kVersionFile;
  auto info = VersionOf(file);
  if (!info) info = VersionAtBaseLocation();
  // A resource without the language-neutral FileVersion tells no version: as no file.
  const auto version = info ? info->QueryString("\\StringFileInfo\\000004b0\\FileVersion") : std::nullopt;
  if (!version) {
    state.file_version = state.base = state.max = state.loom = kNoHostVersionFile;
    return;
  }
  state.loaded = true;
  state.file_version = *version;
  for (char& c : state.file_version)
    if (c == ',') c = '.';

  long long v[4] = {0, 0, 0, 0};
  (void)ParseVersion(state.file_version.c_str(), v);
  const long long major = v[0], minor = v[1], t = v[2], f = v[3];
  switch (major) {
    case 1:
      state.base = Form(1, minor, t, f);
      state.max = Form(0, 0, t, f);
      state.loom = Form(1, minor, t, f);
      break;
    case 2:
      state.base = Form(2, minor, t, f);
      state.max = Form(0, 0, t, f);
      state.loom = minor != 99 ? Form(1, minor + 3, t, f) : Form(2, 99, t, f);
      break;
    case 3:
      state.base = state.max = Form(3, minor, t, f);
      state.loom = (minor < 8 || (minor == 8 && t <= 3)) ? Form(1, minor + 20, t, f) : Form(3, minor, t, f);
      break;
    case 4:
      state.base = state.max = state.loom = Form(4, minor, t, f);
      break;
    default:
      state.base = state.max = state.loom = Form(0, minor, t, f);
      break;
  }
}

const char* GetHostFileVersion() { return TextOrNull(TheState().file_version); }
const char* GetBaseVersionText() { return TextOrNull(TheState().base); }
const char* GetMaxVersionText() { return TextOrNull(TheState().max); }
const char* GetLoomVersionText() { return TextOrNull(TheState().loom); }

int CompareVersions(const char* a, const char* b) {
  if (a == nullptr) return b == nullptr ? 0 : -1;
  if (b == nullptr) return 1;
  long long x[4] = {-1, -1, -1, -1}, y[4] = {-1, -1, -1, -1};
  (void)ParseVersion(a, x);
  (void)ParseVersion(b, y);
  for (int i = 0; i < 4; ++i) {
    if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
  }
  return 0;
}

int CompareHostVersion(const char* version) {
  if (version == nullptr) return 1;
  const char* file_version = GetHostFileVersion();
  if (file_version == nullptr) return -1;
  return CompareVersions(file_version, version);
}
