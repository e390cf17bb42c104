// The registry: a tree of keys below three roots, each key holding named text values, after
// the platform's RegOpenKeyEx / RegCreateKeyEx / RegQueryValueEx / RegSetValueEx /
// RegGetValue / RegEnumKey / RegEnumValue / RegQueryInfoKey / RegDeleteKey / RegDeleteValue.
//
// HKEY and the roots HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_USERS come from
// platform/registry_handle.h, which the build takes from the backend (the Windows one from
// <windows.h>).
//
// Rules (the Windows ones, kept by every backend):
//  - Paths below a key use '\' between key names; a single trailing '\' is ignored, an empty
//    name inside a path is refused (kErrorBadPathname). A null or empty path names the key
//    itself.
//  - Key and value names are 8-bit ANSI text of 1 to 255 characters (value names 0 to 255;
//    the empty name is the key's unnamed value). They compare without case and keep the
//    spelling they were created with.
//  - Subkeys and values enumerate by index in case-insensitive sorted order.
//  - A key lies at most 512 levels below its root (a key of HKEY_CURRENT_USER one level
//    less: the account's key is the first). Creating a deeper one answers
//    kErrorInvalidParameter, the code the registry gives for other names it will not make.
//  - HKEY_USERS holds one key per account; HKEY_CURRENT_USER is HKEY_USERS\<account>, created
//    on first use.
//  - Values are text (the plain text type). They are stored exactly as given, with or without
//    a terminating NUL, and read back with one NUL at the end.
//
// The Windows backend passes these calls to the system's registry. The POSIX backend emulates
// it: an SQLite database, <machine folder>/registry.db (platform/machine.h), in
// WAL mode with a busy timeout; every change is one transaction. Each process opens its own
// connection on first use, and a child made by fork opens a new one. A process that may read
// the machine folder but not write it (another account's machine) reads the registry as
// usual, and every change answers kErrorWriteProtect, as writing to write-protected media
// does on Windows; an account without a key there has none (kErrorFileNotFound). With the
// environment variable TIDEWELL_DEBUG set (not empty), a failure of the machine itself (no
// folder, a damaged database, no access, read-only, locked past the busy timeout) is named on
// standard error with the machine folder, once per process for each folder and failure.
//
// Example:
//   platform::RegistryKey key;
//   if (platform::OpenKey(HKEY_LOCAL_MACHINE, "Software\\Orvane", platform::KeyAccess::kRead,
//                         key) == platform::kErrorSuccess) {
//     char text[256];
//     std::uint32_t size = sizeof text;
//     if (platform::QueryTextValue(key.get(), nullptr, text, &size) == platform::kErrorSuccess) ...
//   }
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/registry_handle.h"
#include "platform/result_codes.h"

namespace platform {

// What an opened key may do. Keys made by CreateKey and the roots may read and write.
enum class KeyAccess { kRead, kReadWrite };

// An open key; closes it when destroyed. Move-only. Empty (null get()) until an open or
// create succeeds. Opening does not pin the key: once it is deleted, every operation on the
// handle answers kErrorKeyDeleted.
class RegistryKey {
 public:
  // Empty; a move hands the key over and leaves the source empty; destruction closes it.
  RegistryKey() noexcept = default;
  ~RegistryKey();
  RegistryKey(RegistryKey&& other) noexcept;
  RegistryKey& operator=(RegistryKey&& other) noexcept;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // The handle to pass to the operations below; valid until Close or destruction.
  [[nodiscard]] HKEY get() const noexcept { return handle_; }
  explicit operator bool() const noexcept { return static_cast<bool>(handle_); }
  void Close() noexcept;

 private:
  friend struct RegistryKeyAccess;
  HKEY handle_{};
};

// Opens the existing key `path` below `parent`. On failure `out` is empty.
// kErrorFileNotFound when a key on the way does not exist.
[[nodiscard]] long OpenKey(HKEY parent, const char* path, KeyAccess access, RegistryKey& out);

// Opens `path` below `parent` for reading and writing, creating it and every missing key on
// the way in one transaction: either all of them exist afterwards or none was added.
// `created`, when given, says whether the last key was new. `parent` must allow writing.
// On failure `out` is empty.
[[nodiscard]] long CreateKey(HKEY parent, const char* path, RegistryKey& out,
                             bool* created = nullptr);

// Deletes the key `path` below `parent` (a null or empty path: `parent` itself) with its
// values. A key that has subkeys, and a root, are not deleted: kErrorAccessDenied.
[[nodiscard]] long DeleteKey(HKEY parent, const char* path);

// The name of subkey number `index` in sorted order, with its NUL, into `name` of `size`
// characters. kErrorMoreData (buffer untouched) when the name and its NUL do not fit,
// kErrorNoMoreItems when `index` is past the last subkey.
[[nodiscard]] long EnumKey(HKEY key, std::uint32_t index, char* name, std::uint32_t size);

// The name of value number `index` in sorted order (the unnamed value as the empty name),
// into `name`; `*size` gives the buffer's characters and receives the name's length without
// its NUL. kErrorMoreData (buffer and `*size` untouched) when it does not fit,
// kErrorNoMoreItems past the last value.
[[nodiscard]] long EnumValue(HKEY key, std::uint32_t index, char* name, std::uint32_t* size);

// What RegQueryInfoKey reports: lengths are in characters without NUL, data in bytes as
// stored (on Windows as the system stores it: text set through these calls counts as UTF-16,
// so the number is at least the text's bytes, not exactly them).
struct KeyInfo {
  std::uint32_t subkeys = 0;              // number of subkeys
  std::uint32_t longest_subkey_name = 0;  // characters of the longest subkey name
  std::uint32_t values = 0;               // number of values
  std::uint32_t longest_value_name = 0;   // characters of the longest value name
  std::uint32_t longest_value_data = 0;   // bytes of the largest value
};
// Fills `info` only on success.
[[nodiscard]] long QueryKeyInfo(HKEY key, KeyInfo& info);

// Reads the text value `name` (null or empty: the unnamed value) of `key`. `*size` gives the
// buffer's bytes and receives the text's size with its NUL. With a null `data` only the size
// is reported. When the text and its NUL do not fit: kErrorMoreData, the needed size in
// `*size`, the buffer untouched. kErrorFileNotFound when the value does not exist.
[[nodiscard]] long QueryTextValue(HKEY key, const char* name, char* data, std::uint32_t* size);

// The same into a string, without the terminating NUL; `text` is changed only on success.
[[nodiscard]] long QueryTextValue(HKEY key, const char* name, std::string& text);

// The same for the key at `path` below `key` without opening it (RegGetValue): the path and
// the value are read in one state of the registry. kErrorFileNotFound also when the key is
// missing.
[[nodiscard]] long GetTextValue(HKEY key, const char* path, const char* name, char* data, std::uint32_t* size);
[[nodiscard]] long GetTextValue(HKEY key, const char* path, const char* name, std::string& text);

// Sets the text value `name` (null or empty: the unnamed value) of `key` to exactly the bytes
// of `data`; pass the NUL within `data` to store it. An existing value keeps its spelling.
[[nodiscard]] long SetTextValue(HKEY key, const char* name, std::string_view data);

// Deletes the value `name` (null or empty: the unnamed value). kErrorFileNotFound when absent.
[[nodiscard]] long DeleteValue(HKEY key, const char* name);

}  // namespace platform
