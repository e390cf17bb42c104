// YlRegistry: typed values in the family's INI file, shared and per user. Six text
// primitives touch the file (or delegate to the shared ones); everything else converts and
// calls them through the virtual slots.
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "settings/YlRegistry.h"
#include "settings/YlResult.h"

using namespace ylresult;

namespace {

constexpr int kNumberBuffer = 20;  // the converting setters' and getters' text buffer
constexpr int kBoolBuffer = 6;
constexpr int kFirstCapacity = 128;

bool Empty(const char* text) { return text == nullptr || *text == '\0'; }

const char* SkipBlanks(const char* text) {
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' || *text == '\v') ++text;
  return text;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Where the digits of a number start once blanks and one sign are skipped. A second sign is
// no number: the conversions below would otherwise take "+-5" as -5.
const char* SkipBlanksAndSign(const char* text) {
  const char* p = SkipBlanks(text);
  return *p == '+' || *p == '-' ? p + 1 : p;
}

// The readers below are ours rather than the C runtime's: the runtimes disagree on numbers
// past the type's range (one wraps a 32-bit integer, another saturates it), on hexadecimal
// reals and on "inf" and "nan", and a setting must read the same on every system.

// A decimal 32-bit integer at the start of the text; trailing characters are ignored. A number
// the type cannot hold is no integer.
bool ParseInt(const char* text, int& value) {
  if (!IsDigit(*SkipBlanksAndSign(text))) return false;
  const char* p = SkipBlanks(text);
  if (*p == '+') ++p;
  long long n = 0;
  const auto [end, error] = std::from_chars(p, p + std::strlen(p), n);
  if (error != std::errc() || n < INT_MIN || n > INT_MAX) return false;
  (void)end;
  value = static_cast<int>(n);
  return true;
}

// A decimal real number at the start of the text (digits, a '.' whatever the locale, an
// exponent), trailing characters ignored. Hexadecimal digits, "inf", "nan" and numbers a
// double cannot hold (1e400, 1e-400) are no real.
bool ParseDouble(const char* text, double& value) {
  const char* digits = SkipBlanksAndSign(text);
  if (!IsDigit(digits[0]) && !(digits[0] == '.' && IsDigit(digits[1]))) return false;
  const char* p = SkipBlanks(text);
  if (*p == '+') ++p;
  double d = 0;
  const auto [end, error] = std::from_chars(p, p + std::strlen(p), d);
  if (error != std::errc()) return false;
  (void)end;
  value = d;
  return true;
}

// "%f" with '.' whatever the locale; false when it needs more than 19 characters, which the
// getters could not read back whole, and for infinities and NaN, which they do not read.
bool FormatDouble(double value, char (&text)[kNumberBuffer]) {
  if (!std::isfinite(value)) return false;
  const auto [end, error] = std::to_chars(text, text + kNumberBuffer - 1, value, std::chars_format::fixed, 6);
  if (error != std::errc()) return false;
  *end = '\0';
  return true;
}

int ApplyDirectoryRule(QxString& value) {
  const int n = value.GetLength();
  if (n > 0 && !platform::IsPathSeparator(value[n - 1])) value += platform::kPathSeparator;
  return kSuccess;
}

int ApplyDirectoryRule(char* buffer, int size) {
  const std::size_t n = std::strlen(buffer);
  if (n == 0 || platform::IsPathSeparator(buffer[n - 1])) return kSuccess;
  if (n >= static_cast<std::size_t>(size - 1)) return kPathBufferTooSmall;
  buffer[n] = platform::kPathSeparator;
  buffer[n + 1] = '\0';
  return kSuccess;
}

// Copies a default into a buffer: kSuccess, or kDefaultTooLong when it had to be cut.
int CopyDefault(const char* defaultValue, char* buffer, int size) {
  const char* text = defaultValue != nullptr ? defaultValue : "";
  std::strncpy(buffer, text, static_cast<std::size_t>(size - 1));
  buffer[size - 1] = '\0';
  return std::strlen(buffer) < std::strlen(text) ? kDefaultTooLong : kSuccess;
}

}  // namespace

// --- The text primitives ---------------------------------------------------------------

int YlRegistry::SetStringValue(const char* section, const char* key, const char* value) {
  if (!IsInitialised()) return kNotInitialised;
  if (Empty(section) || Empty(key)) return kBadArgument;
  std::string file;
  if (const int result = IniFile(file); result != kSuccess) return result;
  const bool written = platform::WriteProfileEntry(SectionName(section).c_str(), key, value, file.c_str());
  return written ? kSuccess : kIniNotWritable;
}

int YlRegistry::GetStringValue(const char* section, const char* key, char* buffer, int size) {
  if (!IsInitialised()) return kNotInitialised;
  if (Empty(section) || Empty(key) || buffer == nullptr || size <= 0) return kBadArgument;
  std::string file;
  if (const int result = IniFile(file); result != kSuccess) return result;

  // The read guard: restore a missing file from its backup, report a file that is missing
  // or unreadable, and make the backup when there is none. The entry is read in the same look
  // at the file, before the backup is made; the outcome is the same either way.
  const std::string backup = file + ".bak";
  const std::string name = SectionName(section);
  const char saved = buffer[0];  // a failed guard leaves the buffer as it was
  platform::ProfileFileState state;
  auto read = platform::ReadProfileEntry(name.c_str(), key, "", buffer, static_cast<std::uint32_t>(size),
                                         file.c_str(), backup.c_str(), state);
  if (!state.exists && state.companion_exists) {
    (void)platform::CopyFileAtomic(backup.c_str(), file.c_str(), false);
    read = platform::ReadProfileEntry(name.c_str(), key, "", buffer, static_cast<std::uint32_t>(size), file.c_str(),
                                      backup.c_str(), state);
  }
  if (!state.exists || !state.readable) {
    buffer[0] = saved;
    return state.exists ? kIniNotReadable : kIniAndBackupMissing;
  }
  if (!state.companion_exists) (void)platform::CopyFileAtomic(file.c_str(), backup.c_str(), false);
  return read > 0 ? kSuccess : kIniEntryMissing;
}

int YlRegistry::GetStringValue(const char* section, const char* key, QxString& value) {
  if (!IsInitialised()) return kNotInitialised;
  if (Empty(section) || Empty(key)) return kBadArgument;
  std::string file;
  if (const int result = IniFile(file); result != kSuccess) return result;

  const std::string name = SectionName(section);
  std::uint32_t read = 0;
  // A read that fills the buffer may have been cut: read again with twice the room.
  for (int capacity = kFirstCapacity;; capacity *= 2) {
    char* buffer = value.GetBuffer(capacity);
    read = platform::ReadProfileEntry(name.c_str(), key, "", buffer, static_cast<std::uint32_t>(capacity), file.c_str());
    value.ReleaseBuffer(static_cast<int>(read));
    if (read != static_cast<std::uint32_t>(capacity - 1) || capacity > INT_MAX / 2) break;
  }
  return read > 0 ? kSuccess : kIniEntryMissing;
}

int YlRegistry::SetUserStringValue(const char* section, const char* key, const char* value) {
  if (!IsInitialised()) return kNotInitialised;
  if (Empty(section) || Empty(key) || Empty(value)) return kBadArgument;
  std::string userKey;
  (void)UserKey(key, userKey);
  return SetStringValue(section, userKey.c_str(), value);
}

int YlRegistry::GetUserStringValue(const char* section, const char* key, char* buffer, int size) {
  if (!IsInitialised()) return kNotInitialised;
  if (Empty(section) || Empty(key) || buffer == nullptr || size <= 0) return kBadArgument;
  std::string userKey;
  (void)UserKey(key, userKey);
  return GetStringValue(section, userKey.c_str(), buffer, size);
}

int YlRegistry::GetUserStringValue(const char* section, const char* key, QxString& value) {
  if (!IsInitialised()) return kNotInitialised;
  if (Empty(section) || Empty(key)) return kBadArgument;
  std::string userKey;
  (void)UserKey(key, userKey);
  return GetStringValue(section, userKey.c_str(), value);
}

int YlRegistry::UserKey(const char* key, std::string& userKey) {
  char tag[16];
  const int result = GetUserTag(tag);
  userKey = std::string(tag) + "_#_" + key;
  return result;
}

// --- Converting setters ----------------------------------------------------------------

int YlRegistry::SetBoolValue(const char* section, const char* key, bool value) {
  return SetStringValue(section, key, value ? "true" : "false");
}
int YlRegistry::SetUserBoolValue(const char* section, const char* key, bool value) {
  return SetUserStringValue(section, key, value ? "true" : "false");
}

int YlRegistry::SetIntValue(const char* section, const char* key, int value) {
  char text[kNumberBuffer];
  std::snprintf(text, sizeof text, "%d", value);
  return SetStringValue(section, key, text);
}
int YlRegistry::SetUserIntValue(const char* section, const char* key, int value) {
  char text[kNumberBuffer];
  std::snprintf(text, sizeof text, "%d", value);
  return SetUserStringValue(section, key, text);
}

int YlRegistry::SetDoubleValue(const char* section, const char* key, double value) {
  char text[kNumberBuffer];
  if (!FormatDouble(value, text)) return kConversionFailed;
  return SetStringValue(section, key, text);
}
int YlRegistry::SetUserDoubleValue(const char* section, const char* key, double value) {
  char text[kNumberBuffer];
  if (!FormatDouble(value, text)) return kConversionFailed;
  return SetUserStringValue(section, key, text);
}

// --- Converting getters ----------------------------------------------------------------

namespace {

int ToBool(const char* text, bool& value) {
  if (std::strcmp(text, "true") == 0) value = true;
  else if (std::strcmp(text, "false") == 0) value = false;
  else return kConversionFailed;
  return kSuccess;
}
int ToInt(const char* text, int& value) { return ParseInt(text, value) ? kSuccess : kConversionFailed; }
int ToDouble(const char* text, double& value) { return ParseDouble(text, value) ? kSuccess : kConversionFailed; }

}  // namespace

int YlRegistry::GetBoolValue(const char* section, const char* key, bool& value) {
  char text[kBoolBuffer];
  const int result = GetStringValue(section, key, text, kBoolBuffer);
  return result != kSuccess ? result : ToBool(text, value);
}
int YlRegistry::GetUserBoolValue(const char* section, const char* key, bool& value) {
  char text[kBoolBuffer];
  const int result = GetUserStringValue(section, key, text, kBoolBuffer);
  return result != kSuccess ? result : ToBool(text, value);
}

int YlRegistry::GetIntValue(const char* section, const char* key, int& value) {
  char text[kNumberBuffer];
  const int result = GetStringValue(section, key, text, kNumberBuffer);
  return result != kSuccess ? result : ToInt(text, value);
}
int YlRegistry::GetUserIntValue(const char* section, const char* key, int& value) {
  char text[kNumberBuffer];
  const int result = GetUserStringValue(section, key, text, kNumberBuffer);
  return result != kSuccess ? result : ToInt(text, value);
}

int YlRegistry::GetDoubleValue(const char* section, const char* key, double& value) {
  char text[kNumberBuffer];
  const int result = GetStringValue(section, key, text, kNumberBuffer);
  return result != kSuccess ? result : ToDouble(text, value);
}
int YlRegistry::GetUserDoubleValue(const char* section, const char* key, double& value) {
  char text[kNumberBuffer];
  const int result = GetUserStringValue(section, key, text, kNumberBuffer);
  return result != kSuccess ? result : ToDouble(text, value);
}

// --- Getters with default --------------------------------------------------------------

int YlRegistry::GetBoolValue(const char* section, const char* key, bool defaultValue, bool& value) {
  if (GetBoolValue(section, key, value) != kSuccess) value = defaultValue;
  return kSuccess;
}
int YlRegistry::GetUserBoolValue(const char* section, const char* key, bool defaultValue, bool& value) {
  if (GetUserBoolValue(section, key, value) != kSuccess) value = defaultValue;
  return kSuccess;
}
int YlRegistry::GetIntValue(const char* section, const char* key, int defaultValue, int& value) {
  if (GetIntValue(section, key, value) != kSuccess) value = defaultValue;
  return kSuccess;
}
int YlRegistry::GetUserIntValue(const char* section, const char* key, int defaultValue, int& value) {
  if (GetUserIntValue(section, key, value) != kSuccess) value = defaultValue;
  return kSuccess;
}
int YlRegistry::GetDoubleValue(const char* section, const char* key, double defaultValue, double& value) {
  if (GetDoubleValue(section, key, value) != kSuccess) value = defaultValue;
  return kSuccess;
}
int YlRegistry::GetUserDoubleValue(const char* section, const char* key, double defaultValue, double& value) {
  if (GetUserDoubleValue(section, key, value) != kSuccess) value = defaultValue;
  return kSuccess;
}

int YlRegistry::GetStringValue(const char* section, const char* key, const char* defaultValue, QxString& value) {
  if (GetStringValue(section, key, value) != kSuccess) value = defaultValue;
  return kSuccess;
}
int YlRegistry::GetUserStringValue(const char* section, const char* key, const char* defaultValue,
                                   QxString& value) {
  if (GetUserStringValue(section, key, value) != kSuccess) value = defaultValue;
  return kSuccess;
}

int YlRegistry::GetStringValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                               int size) {
  const int result = GetStringValue(section, key, buffer, size);
  if (result == kSuccess || buffer == nullptr || size <= 0) return result;
  const int copied = CopyDefault(defaultValue, buffer, size);
  return copied != kSuccess ? copied : result;  // the shared form reports the failed read
}
int YlRegistry::GetUserStringValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                                   int size) {
  const int result = GetUserStringValue(section, key, buffer, size);
  if (result == kSuccess || buffer == nullptr || size <= 0) return result;
  return CopyDefault(defaultValue, buffer, size);
}

// --- Directories -----------------------------------------------------------------------

int YlRegistry::GetPathValue(const char* section, const char* key, const char* defaultValue, QxString& value) {
  const int result = GetStringValue(section, key, defaultValue, value);
  return result != kSuccess ? result : ApplyDirectoryRule(value);
}
int YlRegistry::GetUserPathValue(const char* section, const char* key, const char* defaultValue,
                                 QxString& value) {
  const int result = GetUserStringValue(section, key, defaultValue, value);
  return result != kSuccess ? result : ApplyDirectoryRule(value);
}
int YlRegistry::GetPathValue(const char* section, const char* key, QxString& value) {
  const int result = GetStringValue(section, key, value);
  return result != kSuccess ? result : ApplyDirectoryRule(value);
}
int YlRegistry::GetUserPathValue(const char* section, const char* key, QxString& value) {
  const int result = GetUserStringValue(section, key, value);
  return result != kSuccess ? result : ApplyDirectoryRule(value);
}
int YlRegistry::GetPathValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                             int size) {
  const int result = GetStringValue(section, key, defaultValue, buffer, size);
  return result != kSuccess ? result : ApplyDirectoryRule(buffer, size);
}
int YlRegistry::GetUserPathValue(const char* section, const char* key, const char* defaultValue, char* buffer,
                                 int size) {
  const int result = GetUserStringValue(section, key, defaultValue, buffer, size);
  return result != kSuccess ? result : ApplyDirectoryRule(buffer, size);
}
int YlRegistry::GetPathValue(const char* section, const char* key, char* buffer, int size) {
  const int result = GetStringValue(section, key, buffer, size);
  return result != kSuccess ? result : ApplyDirectoryRule(buffer, size);
}
int YlRegistry::GetUserPathValue(const char* section, const char* key, char* buffer, int size) {
  const int result = GetUserStringValue(section, key, buffer, size);
  return result != kSuccess ? result : ApplyDirectoryRule(buffer, size);
}
