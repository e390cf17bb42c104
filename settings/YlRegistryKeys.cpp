// YlRegistry: registry entries, numbered lists, deletion with pruning, security.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/security.h"
#include "settings/YlRegistry.h"
#include "settings/YlResult.h"

using namespace ylresult;

namespace {

std::string ListEntryName(const char* listKey, const char* name, int index) {
  char entry[32];
  std::snprintf(entry, sizeof entry, "_%04d", index);
  return std::string(listKey != nullptr ? listKey : "") + "\\" + (name != nullptr ? name : "") + entry;
}

// A key with no subkeys and at most an empty unnamed value.
bool IsEmptyKey(const platform::KeyInfo& info) {
  return info.subkeys == 0 && (info.values == 0 || (info.longest_value_name == 0 && info.longest_value_data == 0));
}

// A read of an entry failed: tells a missing key from a value that could not be read.
int EntryFailure(HKEY root, const std::string& path) {
  platform::RegistryKey key;
  return platform::OpenKey(root, path.c_str(), platform::KeyAccess::kRead, key) == platform::kErrorSuccess
             ? kEntryNotReadable
             : kKeyMissing;
}

}  // namespace

std::string YlRegistry::EntryPath(const char* name) const {
  return "Software\\" + m_keyPath + (name != nullptr ? name : "");
}

int YlRegistry::GetKeyValue(HKEY root, const char* name, char* buffer, int size) {
  if (buffer == nullptr || size < 0) return kBadArgument;
  const std::string path = EntryPath(name);
  auto bytes = static_cast<std::uint32_t>(size);
  switch (platform::GetTextValue(root, path.c_str(), nullptr, buffer, &bytes)) {
    case platform::kErrorSuccess: return kSuccess;
    case platform::kErrorMoreData: return kEntryBufferTooSmall;
    default: return EntryFailure(root, path);
  }
}

int YlRegistry::GetKeyValue(HKEY root, const char* name, QxString& value) {
  const std::string path = EntryPath(name);
  std::string text;
  switch (platform::GetTextValue(root, path.c_str(), nullptr, text)) {
    case platform::kErrorSuccess:
      value = text.c_str();  // the text up to its NUL
      return kSuccess;
    case platform::kErrorMoreData: return kEntryBufferTooSmall;
    default: return EntryFailure(root, path);
  }
}

int YlRegistry::SetKeyValue(HKEY root, const char* name, const char* value, bool keepExisting) {
  if (value == nullptr) return kBadArgument;
  if (keepExisting) {
    QxString existing;
    if (GetKeyValue(root, name, existing) == kSuccess) return kExistingEntryKept;
  }
  // Keys are created with the platform's default access: the emulated registry has no access
  // control to open up (see GetSecurityDescriptorWithNullDacl).
  platform::RegistryKey key;
  if (platform::CreateKey(root, EntryPath(name).c_str(), key) != platform::kErrorSuccess)
    return kKeyNotCreated;
  return platform::SetTextValue(key.get(), nullptr, value) == platform::kErrorSuccess ? kSuccess : kEntryNotWritable;
}

int YlRegistry::GetListEntry(HKEY root, const char* listKey, const char* name, int index, QxString& value) {
  return GetKeyValue(root, ListEntryName(listKey, name, index).c_str(), value);
}

int YlRegistry::GetListEntry(HKEY root, const char* listKey, const char* name, int index, char* buffer, int size) {
  return GetKeyValue(root, ListEntryName(listKey, name, index).c_str(), buffer, size);
}

// The list scans read entries whole: a fixed buffer would take a long entry for the end of
// the list and write over it, or cut the list short while moving entries down.
int YlRegistry::AddListEntry(HKEY root, const char* listKey, const char* name, const char* value) {
  int index = 0;
  for (QxString entry; GetListEntry(root, listKey, name, index, entry) == kSuccess; ++index) {
    if (value != nullptr && std::strcmp(entry, value) == 0) return kSuccess;
  }
  return SetKeyValue(root, ListEntryName(listKey, name, index).c_str(), value, false);
}

int YlRegistry::RemoveListEntry(HKEY root, const char* listKey, const char* name, const char* value) {
  if (value == nullptr) return kSuccess;
  int found = 0;
  QxString entry;
  for (;; ++found) {
    if (GetListEntry(root, listKey, name, found, entry) != kSuccess) return kSuccess;
    if (std::strcmp(entry, value) == 0) break;
  }
  int last = found;
  for (int j = found + 1; GetListEntry(root, listKey, name, j, entry) == kSuccess; ++j) {
    (void)SetKeyValue(root, ListEntryName(listKey, name, j - 1).c_str(), entry, false);
    last = j;
  }
  (void)DeleteKeyAndAllSubkeys(root, EntryPath(ListEntryName(listKey, name, last).c_str()).c_str());
  Prune(root, EntryPath(listKey));
  return kSuccess;
}

void YlRegistry::Prune(HKEY root, std::string path) {
  for (std::size_t cut; (cut = path.rfind('\\')) != std::string::npos; path.resize(cut)) {
    platform::RegistryKey key;
    if (platform::OpenKey(root, path.c_str(), platform::KeyAccess::kRead, key) != platform::kErrorSuccess) continue;
    platform::KeyInfo info;
    if (platform::QueryKeyInfo(key.get(), info) == platform::kErrorSuccess && !IsEmptyKey(info)) return;
    key.Close();
    (void)platform::DeleteKey(root, path.c_str());
  }
}

int YlRegistry::DeleteAllKeys() {
  if (!IsInitialised()) return kNotInitialised;
  // An identity of empty texts has an empty key path: its product key would be "Software"
  // itself, with every product of every maker below it.
  if (m_keyPath.empty()) return kBadArgument;
  std::string product = EntryPath(nullptr);
  product.pop_back();  // the trailing backslash
  (void)DeleteKeyAndAllSubkeys(HKEY_LOCAL_MACHINE, product.c_str());
  Prune(HKEY_LOCAL_MACHINE, product);

  char account[251];
  for (std::uint32_t i = 0; platform::EnumKey(HKEY_USERS, i, account, sizeof account) == platform::kErrorSuccess; ++i)
    (void)DeleteKeyAndAllSubkeys(HKEY_USERS, (std::string(account) + "\\" + product).c_str());
  return kSuccess;
}

int DeleteKeyAndAllSubkeys(HKEY parent, const char* name) {
  // Without a name the parent itself would go, with everything below it.
  if (name == nullptr || *name == '\0') return kSuccess;
  // Depth first, one open key per level of the walk, kept on the heap: a registry made by an
  // older version may be deeper than the stack would hold as recursion.
  struct Level {
    platform::RegistryKey key;
    std::string name;         // below the level above, or below `parent`
    std::uint32_t index = 0;  // the subkeys before it could not be deleted
  };
  std::vector<Level> levels(1);
  levels[0].name = name;
  if (platform::OpenKey(parent, name, platform::KeyAccess::kReadWrite, levels[0].key) != platform::kErrorSuccess)
    return kSuccess;
  char subkey[257];
  while (!levels.empty()) {
    Level& level = levels.back();
    const long result = platform::EnumKey(level.key.get(), level.index, subkey, sizeof subkey);
    if (result == platform::kErrorSuccess) {
      Level below;
      below.name = subkey;
      const long opened = platform::OpenKey(level.key.get(), subkey, platform::KeyAccess::kReadWrite, below.key);
      if (opened == platform::kErrorSuccess) levels.push_back(std::move(below));
      else if (opened != platform::kErrorFileNotFound) ++level.index;  // gone meanwhile: the index moved on
      continue;
    }
    if (result == platform::kErrorMoreData) {
      ++level.index;
      continue;
    }
    // No more subkeys, or none readable: the level itself goes, if it can.
    const std::string done = std::move(level.name);
    levels.pop_back();
    const HKEY above = levels.empty() ? parent : levels.back().key.get();
    (void)platform::DeleteKey(above, done.c_str());
    // A subkey that could not be deleted still holds its index: step past it.
    platform::RegistryKey survivor;
    if (!levels.empty() &&
        platform::OpenKey(above, done.c_str(), platform::KeyAccess::kRead, survivor) == platform::kErrorSuccess)
      ++levels.back().index;
  }
  return kSuccess;
}

void* YlRegistry::GetSecurityDescriptorWithNullDacl() { return platform::NewNullDaclSecurityDescriptor(); }
