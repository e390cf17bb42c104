// ".reg" files, the registry editor's text form of keys and values: reading them into a list
// of registry changes, and writing keys and their text values.
//
// Three forms are read: "Windows Registry Editor Version 5.00" in UTF-16LE with a byte-order
// mark (what the editor writes) or in UTF-8, and "REGEDIT4" in the ANSI code page. Texts go
// into the registry in its ANSI code page; a character that code page cannot hold is an
// error, never a '?'. Only text values exist in our registry: other types (dword:, hex:,
// hex(2): ...) are errors unless the reader is told to skip them.
//
//   auto read = regfile::Read(bytes, {});
//   if (read.error) std::fprintf(stderr, "line %zu: %s\n", read.error->line, read.error->reason.c_str());
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulation/registry_batch.h"

namespace regfile {

enum class Encoding { kUtf16, kUtf8, kRegedit4 };

struct Problem {
  std::size_t line = 0;  // 1-based, of the line the entry begins on
  std::string reason;
};

struct ReadOptions {
  bool skip_other_types = false;  // values of other types are left out (and listed) instead of refused
};

struct ReadResult {
  std::vector<platform::RegistryChange> changes;
  std::vector<std::size_t> lines;  // the line of each change
  std::vector<Problem> skipped;    // values of other types left out
  std::optional<Problem> error;    // the first error; then `changes` is empty
};

// Reads a whole file's bytes.
[[nodiscard]] ReadResult Read(std::string_view bytes, const ReadOptions& options);

// The root a key path begins with ("HKEY_LOCAL_MACHINE" or "HKLM", any case), or false.
[[nodiscard]] bool ParseRoot(std::string_view name, HKEY& root);
// The root's full name.
[[nodiscard]] const char* RootName(HKEY root);

// Writes keys and their text values in one of the three forms, in the order given.
class Writer {
 public:
  explicit Writer(Encoding encoding);

  // Begins the section of a key; `path` is the full path from the root's name, in the
  // ANSI code page. False, writing nothing, for a path the form cannot hold: one with a
  // line break or a NUL.
  [[nodiscard]] bool Key(std::string_view path);
  // A text value of the current key (empty name: the unnamed value). False, writing nothing,
  // for a name or text with a line break or a NUL.
  [[nodiscard]] bool Value(std::string_view name, std::string_view data);
  // The file's bytes.
  [[nodiscard]] std::string Finish() const;

 private:
  void Line(std::string_view ansi);

  Encoding encoding_;
  std::string out_;
};

}  // namespace regfile
