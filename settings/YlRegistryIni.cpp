// YlRegistry: where the family's INI file lies, its backup and flush, and the per-user tag.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/machine.h"
#include "platform/registry.h"
#include "settings/YlRegistry.h"
#include "settings/YlResult.h"

using namespace ylresult;

namespace {

constexpr int kMaxPath = 260;
constexpr const char* kIniName = "Quenta.ini";
constexpr const char* kIniFilePath = "IniFilePath";
constexpr int kMaxUserNumber = 9999;

// The running program's folder without its trailing separator, or "" when unknown.
std::string ProgramDirectory() {
  std::string folder;
  if (!platform::ProgramFolder(folder)) return {};
  platform::DropTrailingPathSeparator(folder);
  return folder;
}

// The number at the start of a text (blanks skipped), or nothing.
std::optional<long> LeadingNumber(const char* text) {
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (end == text) return std::nullopt;
  return n;
}

}  // namespace

int YlRegistry::GetIniPathAndName(char* buffer, int size) {
  if (buffer == nullptr || size < 1) return kPathBufferTooSmall;
  if (m_iniFile.empty() && m_sectionPrefix && m_sectionPrefix->find(".ini") != std::string::npos) {
    m_iniFile = *m_sectionPrefix;
    m_sectionPrefix = m_shortId;
  }
  if (!m_iniFile.empty()) {
    if (static_cast<int>(m_iniFile.size()) >= size) return kPathBufferTooSmall;
    std::memcpy(buffer, m_iniFile.c_str(), m_iniFile.size() + 1);
    return kSuccess;
  }
  const int result = GetIniPath(buffer, size);
  if (result != kSuccess) return result;
  std::strcat(buffer, kIniName);  // GetIniPath left room for the name
  m_iniFile = buffer;
  return kSuccess;
}

int YlRegistry::GetIniPath(char* buffer, int size) {
  if (buffer == nullptr || size < 1) return kPathBufferTooSmall;
  if (GetKeyValue(HKEY_LOCAL_MACHINE, kIniFilePath, buffer, size) != kSuccess) {
    const std::string folder = ProgramDirectory();
    if (static_cast<int>(folder.size()) >= size) return kPathBufferTooSmall;
    std::memcpy(buffer, folder.c_str(), folder.size() + 1);
  }
  // The separator is counted even when the folder already ends with one.
  const std::size_t needed = std::strlen(buffer) + 1 + std::strlen(kIniName) + 1;
  if (needed > static_cast<std::size_t>(size)) return kPathBufferTooSmall;
  if (!platform::EndsWithPathSeparator(buffer)) {
    const std::size_t n = std::strlen(buffer);
    buffer[n] = platform::kPathSeparator;
    buffer[n + 1] = '\0';
  }
  return kSuccess;
}

int YlRegistry::GetIniPath(QxString& path) {
  if (GetKeyValue(HKEY_LOCAL_MACHINE, kIniFilePath, path) != kSuccess) {
    char folder[kMaxPath];
    std::snprintf(folder, sizeof folder, "%s", ProgramDirectory().c_str());
    path = folder;
  }
  path += platform::kPathSeparator;
  return kSuccess;
}

int YlRegistry::IniFile(std::string& file) {
  char buffer[kMaxPath];
  const int result = GetIniPathAndName(buffer, sizeof buffer);
  if (result == kSuccess) file = buffer;
  return result;
}

int YlRegistry::FlushIniFile() {
  std::string file;
  const int result = IniFile(file);
  if (result != kSuccess) return result;
  (void)platform::WriteProfileEntry(nullptr, nullptr, nullptr, file.c_str());
  return kSuccess;
}

void YlRegistry::CreateIniBackup() {
  std::string file;
  if (IniFile(file) != kSuccess || !platform::FileExists(file.c_str())) return;
  (void)platform::CopyFileAtomic(file.c_str(), (file + ".bak").c_str(), false);
}

int YlRegistry::SetIniFilePath(const char* directory) {
  if (!IsInitialised()) return kNotInitialised;
  if (directory == nullptr || *directory == '\0') return kBadArgument;
  m_iniFile.clear();
  return SetKeyValue(HKEY_LOCAL_MACHINE, kIniFilePath, directory, false);
}

int YlRegistry::HasIniFilePath(int& exists) {
  if (!IsInitialised()) return kNotInitialised;
  char buffer[512];
  exists = GetKeyValue(HKEY_LOCAL_MACHINE, kIniFilePath, buffer, sizeof buffer) == kSuccess ? 1 : 0;
  return kSuccess;
}

int YlRegistry::GetUserTag(char* buffer) {
  // Two processes taking their first number at once must not get the same one: the whole
  // read-increment-write runs under the machine-wide lock.
  platform::MachineLock lock;
  (void)lock.Acquire();

  char number[5];
  if (GetKeyValue(HKEY_CURRENT_USER, "User", number, sizeof number) != kSuccess) {
    char last[5];
    long next = 1;
    if (GetKeyValue(HKEY_LOCAL_MACHINE, "LastUser", last, sizeof last) == kSuccess) {
      const auto n = LeadingNumber(last);
      next = n ? *n + 1 : 0;  // 0: "LastUser" says nothing usable
    }
    // A number past 9999, one "LastUser" cannot tell, or one an account already holds
    // (after "LastUser" was lost) is replaced by the smallest free number.
    if (next < 1 || next > kMaxUserNumber || UserNumbersTaken().contains(next)) next = SmallestFreeUserNumber();
    std::snprintf(number, sizeof number, "%.4ld", next);
    (void)SetKeyValue(HKEY_LOCAL_MACHINE, "LastUser", number, false);
    (void)SetKeyValue(HKEY_CURRENT_USER, "User", number, false);
  }
  std::snprintf(buffer, 9, "User%s", number);
  return kSuccess;
}

std::set<long> YlRegistry::UserNumbersTaken() const {
  std::set<long> taken;
  char account[256];
  for (std::uint32_t i = 0; platform::EnumKey(HKEY_USERS, i, account, sizeof account) == platform::kErrorSuccess; ++i) {
    platform::RegistryKey key;
    const std::string path = std::string(account) + "\\" + EntryPath("User");
    if (platform::OpenKey(HKEY_USERS, path.c_str(), platform::KeyAccess::kRead, key) != platform::kErrorSuccess)
      continue;
    char text[5];
    std::uint32_t size = sizeof text;
    if (platform::QueryTextValue(key.get(), nullptr, text, &size) != platform::kErrorSuccess) continue;
    if (const auto n = LeadingNumber(text)) taken.insert(*n);
  }
  return taken;
}

long YlRegistry::SmallestFreeUserNumber() const {
  const std::set<long> taken = UserNumbersTaken();
  for (long n = 1; n <= kMaxUserNumber; ++n)
    if (!taken.contains(n)) return n;
  return 0;  // every number is taken: "User0000" is handed out by nothing else
}
