// The profile functions on Windows: GetPrivateProfileStringA and WritePrivateProfileStringA,
// which the family's other programs use on the same files. What every backend refuses is
// refused here before the system sees it, and a null file never reaches the system (it would
// read or write WIN.INI instead).
#include "platform/profile.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/win32/win32_api.h"

namespace platform {
namespace {

bool HasLineBreak(const char* text) { return text != nullptr && std::strpbrk(text, "\r\n") != nullptr; }

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// A key as it would be read back: without its surrounding blanks.
std::string_view TrimmedKey(const char* key) {
  std::string_view name(key);
  while (!name.empty() && IsBlank(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsBlank(name.back())) name.remove_suffix(1);
  return name;
}

// What a read of a file that does not exist gives, without asking the system: the default
// without its trailing blanks, or an empty name list.
std::uint32_t ReadNothing(const char* section, const char* key, const char* default_value, char* buffer,
                          std::uint32_t size) {
  if (section == nullptr || key == nullptr) {
    buffer[0] = '\0';
    if (size >= 2) buffer[1] = '\0';
    return 0;
  }
  std::string_view fallback = default_value != nullptr ? default_value : "";
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.remove_suffix(1);
  const std::size_t count = std::min<std::size_t>(fallback.size(), size - 1);
  if (count > 0) std::memcpy(buffer, fallback.data(), count);
  buffer[count] = '\0';
  return static_cast<std::uint32_t>(count);
}

}  // namespace

std::uint32_t ReadProfileEntry(const char* section, const char* key, const char* default_value, char* buffer,
                               std::uint32_t size, const char* file) {
  if (buffer == nullptr || size == 0) return 0;
  if (file == nullptr) return ReadNothing(section, key, default_value, buffer, size);
  // The system strips a default's trailing blanks, but not every system takes a tab for one
  // (Wine keeps it): the default is passed without them.
  std::string fallback = default_value != nullptr ? default_value : "";
  while (!fallback.empty() && IsBlank(fallback.back())) fallback.pop_back();
  const DWORD count = GetPrivateProfileStringA(section, key, fallback.c_str(), buffer, size, file);
  // A list cut to the buffer ends with two NULs, and its count is size - 2; Wine writes only
  // one of them, and callers walk the list to the second.
  if ((section == nullptr || key == nullptr) && size >= 2 && count == size - 2) buffer[size - 1] = '\0';
  if ((section == nullptr || key == nullptr) && size == 2 && count == 0) buffer[1] = '\0';
  return count;
}

std::uint32_t ReadProfileEntry(const char* section, const char* key, const char* default_value, char* buffer,
                               std::uint32_t size, const char* file, const char* companion,
                               ProfileFileState& state) {
  state = {};
  if (file != nullptr) {
    state.exists = GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES;
    state.readable = state.exists && FileReadable(file);
  }
  state.companion_exists = companion != nullptr && GetFileAttributesA(companion) != INVALID_FILE_ATTRIBUTES;
  return ReadProfileEntry(section, key, default_value, buffer, size, file);
}

bool WriteProfileEntry(const char* section, const char* key, const char* value, const char* file) {
  if (file == nullptr) return false;
  if (section == nullptr) {
    if (key != nullptr || value != nullptr) return false;
    // The system keeps profile files in a cache that this asks it to write back. It reports
    // a flush as zero, like a failure, so its result says nothing.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, file);
    return true;
  }
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  if (key != nullptr) {
    const std::string_view key_name = TrimmedKey(key);
    if (key_name.find('=') != std::string_view::npos || key_name.starts_with(';') || key_name.starts_with('['))
      return false;
  }
  // A deletion in a file that does not exist has nothing to do, and must not make the file.
  if ((key == nullptr || value == nullptr) && GetFileAttributesA(file) == INVALID_FILE_ATTRIBUTES) return true;
  return WritePrivateProfileStringA(section, key, value, file) != FALSE;
}

}  // namespace platform
