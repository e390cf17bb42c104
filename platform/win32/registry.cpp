// The registry on Windows: the system's own, through RegOpenKeyExA, RegCreateKeyExA,
// RegCloseKey, RegDeleteKeyA, RegEnumKeyExA, RegEnumValueA, RegQueryInfoKeyA,
// RegQueryValueExA, RegSetValueExA and RegDeleteValueA. The system's error codes are the
// layer's results (platform/result_codes.h) and pass through unchanged.
//
// Where platform/registry.h promises more than the system does, this file keeps the promise:
// paths and name lengths are checked before any call, keys are created one level at a time
// (the system makes at most 32 levels per call and nothing undoes a half-made path), the
// depth of every key this file opened is remembered for the 512-level limit, enumeration is
// sorted here (the system documents no order), and values are read whole into a buffer of
// our own, so that a short caller's buffer is never written and a text stored without NUL
// comes back with one.
#include "platform/registry.h"
#include "platform/registry_shared.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/win32/win32_api.h"

namespace platform {

struct RegistryKeyAccess {
  static void Set(RegistryKey& key, HKEY handle) { key.handle_ = handle; }
};

namespace {

constexpr std::size_t kMaxNameLength = 255;
constexpr std::uint32_t kMaxDepth = 512;
// Buffers for names as the system gives them in the ANSI code page: a key name has at most
// 255 characters, a value name (written by another program) at most 16383, and a character
// takes up to two bytes in a double-byte code page.
constexpr DWORD kKeyNameBuffer = 2 * 255 + 1;
constexpr DWORD kValueNameBuffer = 2 * 16383 + 1;

bool IsRoot(HKEY key) {
  return key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER || key == HKEY_USERS;
}

// Every predefined handle, also those this layer does not name: none of them is closed.
bool IsPredefined(HKEY key) {
  const auto bits = reinterpret_cast<std::uintptr_t>(key);
  return (bits & 0xFFFFFFF0u) == 0x80000000u;
}

// What the system does not say about an open key: how deep below its root it lies (for the
// 512-level limit) and whether it was opened for writing (Wine lets a read-only handle create
// subkeys, which Windows refuses). Kept for the keys this file opens, from the opening to
// RegistryKey::Close.
struct OpenKeyEntry {
  std::uint32_t depth = 0;
  bool writable = false;
};

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<HKEY, OpenKeyEntry> keys;
};

HandleTable& TheHandles() {
  // Never destroyed: keys held by static objects of other files are closed while it ends.
  static HandleTable* const table = new HandleTable;
  return *table;
}

// The account's key is the first level below HKEY_USERS, so HKEY_CURRENT_USER starts at 1.
// A handle that is not ours (or already closed) counts as a writable root: the system
// refuses it.
OpenKeyEntry EntryOf(HKEY key) {
  if (key == HKEY_CURRENT_USER) return {1, true};
  if (IsPredefined(key)) return {0, true};
  HandleTable& table = TheHandles();
  const std::lock_guard lock(table.mutex);
  const auto found = table.keys.find(key);
  return found != table.keys.end() ? found->second : OpenKeyEntry{0, true};
}

void Adopt(RegistryKey& out, HKEY handle, OpenKeyEntry entry) {
  if (!IsPredefined(handle)) {
    HandleTable& table = TheHandles();
    const std::lock_guard lock(table.mutex);
    table.keys[handle] = entry;
  }
  RegistryKeyAccess::Set(out, handle);
}

void CloseKeyHandle(HKEY handle) noexcept {
  if (handle == nullptr || IsPredefined(handle)) return;
  {
    HandleTable& table = TheHandles();
    const std::lock_guard lock(table.mutex);
    table.keys.erase(handle);
  }
  RegCloseKey(handle);
}

// Splits a key path at its backslashes, with the same checks as every backend.
long SplitPath(const char* path, std::vector<std::string>& names) {
  names.clear();
  std::string_view rest = path != nullptr ? std::string_view(path) : std::string_view();
  if (rest.size() > 1 && rest.back() == '\\') rest.remove_suffix(1);
  if (rest.empty()) return kErrorSuccess;
  for (;;) {
    const std::size_t end = rest.find('\\');
    const std::string_view name = rest.substr(0, end);
    if (name.empty()) return kErrorBadPathname;
    if (name.size() > kMaxNameLength) return kErrorInvalidParameter;
    names.emplace_back(name);
    if (end == std::string_view::npos) return kErrorSuccess;
    rest.remove_prefix(end + 1);
  }
}

// Opens the first `count` names of `names` below `parent` with `rights`. The system's ANSI
// calls take a path of about 260 characters at most (Wine converts it in a fixed buffer and
// answers more-data), while 512 levels of names make far longer ones: a longer path is opened
// in pieces that fit, each below the last.
long OpenPath(HKEY parent, const std::vector<std::string>& names, std::size_t count, REGSAM rights, HKEY& out) {
  constexpr std::size_t kMaxPiece = 255;
  HKEY current = parent;
  std::size_t next = 0;
  do {
    std::string piece;
    while (next < count && (piece.empty() || piece.size() + 1 + names[next].size() <= kMaxPiece)) {
      if (!piece.empty()) piece += '\\';
      piece += names[next++];
    }
    // The pieces on the way only lead to the next one.
    HKEY opened = nullptr;
    const long error = RegOpenKeyExA(current, piece.c_str(), 0, next == count ? rights : KEY_READ, &opened);
    if (current != parent) RegCloseKey(current);
    if (error != kErrorSuccess) return error;
    current = opened;
  } while (next < count);
  out = current;
  return kErrorSuccess;
}

// The system accepts value names of up to 16383 characters; every backend keeps to 255.
long ValueName(const char* name, const char*& out) {
  out = name != nullptr ? name : "";
  return std::strlen(out) > kMaxNameLength ? kErrorInvalidParameter : kErrorSuccess;
}

// The order of enumeration: names compared as the registry compares them, in UTF-16 without
// case (the system's upper-case table), so "_" sorts after the letters.
std::wstring Wide(const std::string& name) {
  if (name.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
  if (length > 0)
    MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
  return wide;
}

bool SortsBefore(const std::wstring& a, const std::wstring& b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                              TRUE) == CSTR_LESS_THAN;
}

// Name number `index` of the sorted names that `enumerate` (the system's enumeration, which
// promises no order) gives. Every call reads all names: the registry's keys hold few.
template <typename Enumerate>
long SortedName(std::uint32_t index, Enumerate enumerate, std::string& found) {
  std::vector<std::pair<std::wstring, std::string>> names;
  for (DWORD i = 0;; ++i) {
    std::string name;
    const long error = enumerate(i, name);
    if (error == kErrorNoMoreItems) break;
    if (error != kErrorSuccess) return error;
    names.emplace_back(Wide(name), std::move(name));
  }
  if (index >= names.size()) return kErrorNoMoreItems;
  const auto nth = names.begin() + index;
  std::nth_element(names.begin(), nth, names.end(),
                   [](const auto& a, const auto& b) { return SortsBefore(a.first, b.first); });
  found = std::move(nth->second);
  return kErrorSuccess;
}

// The bytes of value `name` as the system gives them in the ANSI code page. The size the
// system reports before reading may be larger than the text (it counts the stored UTF-16),
// never smaller; the read says how much it wrote.
long StoredText(HKEY key, const char* name, std::string& stored) {
  const char* value_name = nullptr;
  if (const long error = ValueName(name, value_name)) return error;
  DWORD size = 0;
  if (const long error = RegQueryValueExA(key, value_name, nullptr, nullptr, nullptr, &size)) return error;
  for (;;) {
    std::string buffer(size, '\0');
    DWORD read = size;
    const long error = RegQueryValueExA(key, value_name, nullptr, nullptr,
                                        reinterpret_cast<BYTE*>(buffer.data()), &read);
    if (error == kErrorSuccess) {
      buffer.resize(std::min(read, size));
      stored = std::move(buffer);
      return kErrorSuccess;
    }
    // Another process made the value longer between the two reads.
    if (error != kErrorMoreData || read <= size) return error;
    size = read;
  }
}

}  // namespace

void RegistryKey::Close() noexcept {
  CloseKeyHandle(handle_);
  handle_ = nullptr;
}

long OpenKey(HKEY parent, const char* path, KeyAccess access, RegistryKey& out) {
  out.Close();
  std::vector<std::string> names;
  if (const long error = SplitPath(path, names)) return error;
  const REGSAM rights = access == KeyAccess::kReadWrite ? KEY_READ | KEY_WRITE : KEY_READ;
  HKEY handle = nullptr;
  if (const long error = OpenPath(parent, names, names.size(), rights, handle)) return error;
  Adopt(out, handle,
        {EntryOf(parent).depth + static_cast<std::uint32_t>(names.size()), access == KeyAccess::kReadWrite});
  return kErrorSuccess;
}

long CreateKey(HKEY parent, const char* path, RegistryKey& out, bool* created) {
  out.Close();
  std::vector<std::string> names;
  if (const long error = SplitPath(path, names)) return error;
  const OpenKeyEntry from = EntryOf(parent);
  if (!from.writable) return kErrorAccessDenied;
  const std::uint32_t depth = from.depth + static_cast<std::uint32_t>(names.size());
  if (depth > kMaxDepth) return kErrorInvalidParameter;

  // One level at a time, remembering the keys made, so that a failure on the way can take
  // them away again (deepest first: a key with subkeys cannot be deleted). Only a key another
  // process put below a new one meanwhile keeps it: the system has no transaction here.
  std::vector<HKEY> opened;  // the key of each level, each open for making the next
  std::vector<std::size_t> made;
  long error = kErrorSuccess;
  HKEY current = parent;
  bool last_new = false;
  if (names.empty()) {
    // The key itself, as a new handle that may read and write.
    error = RegOpenKeyExA(parent, "", 0, KEY_READ | KEY_WRITE, &current);
    if (error == kErrorSuccess) opened.push_back(current);
  }
  for (std::size_t i = 0; i < names.size() && error == kErrorSuccess; ++i) {
    const bool last = i + 1 == names.size();
    HKEY next = nullptr;
    DWORD disposition = 0;
    error = RegCreateKeyExA(current, names[i].c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            last ? KEY_READ | KEY_WRITE : KEY_CREATE_SUB_KEY, nullptr, &next, &disposition);
    if (error != kErrorSuccess) break;
    opened.push_back(next);
    current = next;
    last_new = disposition == REG_CREATED_NEW_KEY;
    if (last_new) made.push_back(i);
  }
  if (error != kErrorSuccess) {
    for (auto i = made.rbegin(); i != made.rend(); ++i)
      (void)RegDeleteKeyA(*i == 0 ? parent : opened[*i - 1], names[*i].c_str());
    for (HKEY handle : opened) RegCloseKey(handle);
    return error;
  }
  for (std::size_t i = 0; i + 1 < opened.size(); ++i) RegCloseKey(opened[i]);
  Adopt(out, opened.back(), {depth, true});
  if (created != nullptr) *created = last_new;
  return kErrorSuccess;
}

long DeleteKey(HKEY parent, const char* path) {
  std::vector<std::string> names;
  if (const long error = SplitPath(path, names)) return error;
  if (names.empty()) return IsRoot(parent) ? kErrorAccessDenied : RegDeleteKeyA(parent, "");
  HKEY above = parent;
  if (names.size() > 1) {
    if (const long error = OpenPath(parent, names, names.size() - 1, KEY_READ, above)) return error;
  }
  const long error = RegDeleteKeyA(above, names.back().c_str());
  if (above != parent) RegCloseKey(above);
  return error;
}

long EnumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t size) {
  if (name == nullptr) return kErrorInvalidParameter;
  std::string found;
  const long error = SortedName(
      index,
      [key](DWORD i, std::string& out) {
        char buffer[kKeyNameBuffer];
        DWORD length = kKeyNameBuffer;
        const long result = RegEnumKeyExA(key, i, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == kErrorSuccess) out.assign(buffer, length);
        return result;
      },
      found);
  if (error != kErrorSuccess) return error;
  if (found.size() >= size) return kErrorMoreData;
  std::memcpy(name, found.data(), found.size());
  name[found.size()] = '\0';
  return kErrorSuccess;
}

long EnumValue(HKEY key, std::uint32_t index, char* name, std::uint32_t* size) {
  if (name == nullptr || size == nullptr) return kErrorInvalidParameter;
  std::string found;
  std::vector<char> buffer(kValueNameBuffer);
  const long error = SortedName(
      index,
      [key, &buffer](DWORD i, std::string& out) {
        DWORD length = kValueNameBuffer;
        const long result = RegEnumValueA(key, i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == kErrorSuccess) out.assign(buffer.data(), length);
        return result;
      },
      found);
  if (error != kErrorSuccess) return error;
  if (found.size() >= *size) return kErrorMoreData;
  std::memcpy(name, found.data(), found.size());
  name[found.size()] = '\0';
  *size = static_cast<std::uint32_t>(found.size());
  return kErrorSuccess;
}

long QueryKeyInfo(HKEY key, KeyInfo& info) {
  DWORD subkeys = 0, longest_subkey = 0, values = 0, longest_value_name = 0, longest_data = 0;
  if (const long error = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, &longest_subkey, nullptr,
                                          &values, &longest_value_name, &longest_data, nullptr, nullptr))
    return error;
  info.subkeys = subkeys;
  info.longest_subkey_name = longest_subkey;
  info.values = values;
  info.longest_value_name = longest_value_name;
  info.longest_value_data = longest_data;
  return kErrorSuccess;
}

long QueryTextValue(HKEY key, const char* name, char* data, std::uint32_t* size) {
  if (size == nullptr) return kErrorInvalidParameter;
  std::string stored;
  if (const long error = StoredText(key, name, stored)) return error;
  return detail::CopyStoredText(stored, data, size);
}

long QueryTextValue(HKEY key, const char* name, std::string& text) {
  std::string stored;
  if (const long error = StoredText(key, name, stored)) return error;
  detail::DropStoredNul(stored);
  text = std::move(stored);
  return kErrorSuccess;
}

long GetTextValue(HKEY key, const char* path, const char* name, char* data, std::uint32_t* size) {
  if (size == nullptr) return kErrorInvalidParameter;
  RegistryKey opened;
  if (const long error = OpenKey(key, path, KeyAccess::kRead, opened)) return error;
  return QueryTextValue(opened.get(), name, data, size);
}

long GetTextValue(HKEY key, const char* path, const char* name, std::string& text) {
  RegistryKey opened;
  if (const long error = OpenKey(key, path, KeyAccess::kRead, opened)) return error;
  return QueryTextValue(opened.get(), name, text);
}

long SetTextValue(HKEY key, const char* name, std::string_view data) {
  const char* value_name = nullptr;
  if (const long error = ValueName(name, value_name)) return error;
  if (data.size() >= std::numeric_limits<std::uint32_t>::max()) return kErrorInvalidParameter;
  // An empty view may have no address; the system wants one even for no bytes.
  const char* bytes = data.data() != nullptr ? data.data() : "";
  return RegSetValueExA(key, value_name, 0, REG_SZ, reinterpret_cast<const BYTE*>(bytes),
                        static_cast<DWORD>(data.size()));
}

long DeleteValue(HKEY key, const char* name) {
  const char* value_name = nullptr;
  if (const long error = ValueName(name, value_name)) return error;
  return RegDeleteValueA(key, value_name);
}

}  // namespace platform
