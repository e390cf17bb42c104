// The profile functions on POSIX: reads through the process's cache, writes as locked,
// atomic replacements of the whole file.
#include "platform/profile.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/atomic_file.h"
#include "platform/emulation/ini_document.h"
#include "platform/posix/profile_cache.h"

namespace platform {
namespace {

using detail::IniDocument;
using detail::TrimBlanks;

std::uint32_t CopyText(std::string_view text, char* buffer, std::uint32_t size) {
  const std::size_t count = std::min<std::size_t>(text.size(), size - 1);
  if (count > 0) std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return static_cast<std::uint32_t>(count);
}

// Names each followed by a NUL, and one more NUL after the last.
std::uint32_t CopyList(const std::vector<std::string_view>& names, char* buffer, std::uint32_t size) {
  std::size_t total = 0;
  for (const std::string_view name : names) total += name.size() + 1;
  if (total + 1 <= size) {
    std::size_t at = 0;
    for (const std::string_view name : names) {
      if (!name.empty()) std::memcpy(buffer + at, name.data(), name.size());
      at += name.size();
      buffer[at++] = '\0';
    }
    buffer[at] = '\0';
    if (at == 0 && size >= 2) buffer[1] = '\0';
    return static_cast<std::uint32_t>(at);
  }
  if (size < 2) {
    buffer[0] = '\0';
    return 0;
  }
  // As Windows does: as much of the list as fits, cut anywhere, then two NULs in the
  // buffer's last two bytes.
  const std::size_t room = size - 2;
  std::size_t at = 0;
  for (const std::string_view name : names) {
    const std::size_t part = std::min(name.size(), room - at);
    if (part > 0) std::memcpy(buffer + at, name.data(), part);
    at += part;
    if (at == room) break;
    buffer[at++] = '\0';
    if (at == room) break;
  }
  buffer[size - 2] = '\0';
  buffer[size - 1] = '\0';
  return size - 2;
}

std::string_view WithoutQuotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

bool HasLineBreak(const char* text) {
  return text != nullptr && std::strpbrk(text, "\r\n") != nullptr;
}

}  // namespace

namespace {

std::uint32_t ReadFrom(const std::shared_ptr<const IniDocument>& document, const char* section, const char* key,
                       const char* default_value, char* buffer, std::uint32_t size) {
  if (buffer == nullptr || size == 0) return 0;
  if (section == nullptr || key == nullptr) {
    std::vector<std::string_view> names;
    if (document != nullptr)
      names = section == nullptr ? document->SectionNames() : document->KeyNames(TrimBlanks(section));
    return CopyList(names, buffer, size);
  }
  if (document != nullptr) {
    if (const auto value = document->Find(TrimBlanks(section), TrimBlanks(key)))
      return CopyText(WithoutQuotes(*value), buffer, size);
  }
  std::string_view fallback = default_value != nullptr ? default_value : "";
  while (!fallback.empty() && TrimBlanks(fallback.substr(fallback.size() - 1)).empty()) fallback.remove_suffix(1);
  return CopyText(fallback, buffer, size);
}

}  // namespace

std::uint32_t ReadProfileEntry(const char* section, const char* key, const char* default_value, char* buffer,
                               std::uint32_t size, const char* file) {
  if (buffer == nullptr || size == 0) return 0;
  const auto document = file != nullptr ? detail::TheProfileCache().Load(file) : nullptr;
  return ReadFrom(document, section, key, default_value, buffer, size);
}

std::uint32_t ReadProfileEntry(const char* section, const char* key, const char* default_value, char* buffer,
                               std::uint32_t size, const char* file, const char* companion,
                               ProfileFileState& state) {
  state = {};
  if (file == nullptr) return ReadFrom(nullptr, section, key, default_value, buffer, size);
  const std::string companion_name = companion != nullptr ? companion : "";
  detail::ProfileCache::State found;
  const auto document =
      detail::TheProfileCache().Load(file, companion != nullptr ? &companion_name : nullptr, &found);
  state = {found.exists, found.readable, found.companion_exists};
  return ReadFrom(document, section, key, default_value, buffer, size);
}

bool WriteProfileEntry(const char* section, const char* key, const char* value, const char* file) {
  if (file == nullptr) return false;
  if (section == nullptr) return key == nullptr && value == nullptr;
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value)) return false;
  const std::string_view section_name = TrimBlanks(section);
  const std::string_view key_name = key != nullptr ? TrimBlanks(key) : std::string_view();
  if (key_name.find('=') != std::string_view::npos || key_name.starts_with(';') || key_name.starts_with('['))
    return false;

  const std::string target = detail::WriteTarget(file);
  detail::PathLock lock;
  if (!lock.Acquire(target)) return false;
  std::string bytes;
  struct stat status{};
  const detail::ReadStatus read = detail::ReadWholeFile(target, bytes, &status);
  if (read == detail::ReadStatus::kFailed) return false;
  const bool exists = read == detail::ReadStatus::kRead;
  if (!exists && (key == nullptr || value == nullptr)) return true;
  // The lines of a UTF-16 file are not read, so no edit of them can be made.
  if (detail::LooksLikeUtf16(bytes)) return false;

  IniDocument document(std::move(bytes));
  const bool changed = key == nullptr     ? document.RemoveSection(section_name)
                       : value == nullptr ? document.RemoveKey(section_name, key_name)
                                          : document.Set(section_name, key_name, value);
  if (!changed) return true;
  detail::ReplaceOptions options;
  if (exists) options.mode_from = &status;
  const bool written = detail::ReplaceFile(target, document.Render(), options);
  detail::TheProfileCache().Forget(file);
  if (target != file) detail::TheProfileCache().Forget(target);
  return written;
}

}  // namespace platform
