// One INI file's text with the lookups and edits of the profile functions, such that an edit
// changes only the lines it is about and every other byte stays as it was.
//
// Reading rules: lines end at CR, LF or CR LF; each line is trimmed of blanks; a line
// "[name]" opens a section (name trimmed, up to the last ']'); a line starting with ';' is a
// comment; otherwise the first '=' splits a key from its value (both trimmed); other lines
// are kept but are not keys. Names compare without case; the first matching section, and
// the first matching key in it, win. Lines before the first section belong to no section.
// A UTF-8 byte-order mark at the start is skipped and written back. UTF-16 files are not read
// yet: they hold no lines here.
//
// The document keeps the file's bytes once and nothing per line: lines are found again in
// the bytes when they are looked at. Only the section headers are indexed (a hash of the
// folded name and the header's offset, 8 bytes each), so that a lookup in a large family
// file goes straight to its section, and the memory a file takes stays close to its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::detail {

class IniDocument {
 public:
  // Takes the file's bytes; there is no malformed input, only lines that are not keys.
  explicit IniDocument(std::string bytes);

  // The trimmed value of `key` in the first section named `section`, or nothing. Valid until
  // the next edit.
  [[nodiscard]] std::optional<std::string_view> Find(std::string_view section, std::string_view key) const;

  // Section names in file order, each name once (first spelling), the empty name left out.
  [[nodiscard]] std::vector<std::string_view> SectionNames() const;
  // Key names of the first section named `section` in file order, each once, the empty name
  // left out. Empty when there is no such section.
  [[nodiscard]] std::vector<std::string_view> KeyNames(std::string_view section) const;

  // Edits; each returns whether the text changed. The caller has checked that the names and
  // the value hold no line break and that the key cannot read back as something else.
  // A UTF-16 document is never edited.
  // Sets `key` in the first section named `section`: replaces the first such key's line in
  // place (keeping its key spelling and line end), else adds "key=value" after the section's
  // last non-blank line, else adds the section "[section]" with the key at the end.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes every `key` line of the first section named `section`.
  bool RemoveKey(std::string_view section, std::string_view key);
  // Removes every section named `section` with all its lines.
  bool RemoveSection(std::string_view section);

  // The file's bytes with the edits made, byte-order mark included. Valid until the next edit.
  [[nodiscard]] std::string_view Render() const { return bytes_; }

 private:
  struct Header {
    std::uint32_t hash;  // of the folded name
    std::uint32_t at;    // offset of the header line
    friend bool operator<(const Header& a, const Header& b) { return a.hash != b.hash ? a.hash < b.hash : a.at < b.at; }
  };

  void Index();
  // Offset of the first header line named `section`, or npos.
  [[nodiscard]] std::size_t FindSection(std::string_view section) const;
  // Offset of the line after the one starting at `at`.
  [[nodiscard]] std::size_t NextLine(std::size_t at) const;
  // The line end new lines get: the first one of the file, else CR LF.
  [[nodiscard]] std::string_view NewLineEnd() const;
  // Inserts `text` and a line end as a whole line at offset `at` (a line's start or the end),
  // ending the line before it first if it has no end.
  void InsertLine(std::size_t at, std::string_view text);
  // Removes the lines from offset `from` to the end for which `remove` (given each line's
  // text) says so; returns whether any was.
  template <typename Remove>
  bool RemoveLines(std::size_t from, Remove remove);

  std::string bytes_;
  std::size_t start_ = 0;  // where the lines start: after a UTF-8 byte-order mark
  bool utf16_ = false;
  // The section headers sorted by hash, then offset. Edits move lines, so they drop it and
  // lookups then go through the lines (edited documents are written out, not read).
  std::vector<Header> headers_;
  bool indexed_ = false;
};

// True when `bytes` are UTF-16 text: they start with a UTF-16 byte-order mark, or their first
// characters (at least three) are ASCII stored as UTF-16, every second byte zero. Lines are
// not found in such a file, and 8-bit lines must not be written into it.
[[nodiscard]] bool LooksLikeUtf16(std::string_view bytes);

// `text` without leading and trailing blanks (space, tab, vertical tab, form feed).
[[nodiscard]] std::string_view TrimBlanks(std::string_view text);

}  // namespace platform::detail
