// One INI file's text as lines, with the lookups and edits of the profile functions, such
// that an edit changes only the lines it is about and every other byte stays as it was.
//
// Reading rules: lines end at CR, LF or CR LF; each line is trimmed of blanks; a line
// "[name]" opens a section (name trimmed, up to the last ']'); a line starting with ';' is a
// comment; otherwise the first '=' splits a key from its value (both trimmed); other lines
// are kept but are not keys. Names compare without case; the first matching section, and
// the first matching key in it, win. Lines before the first section belong to no section.
// A UTF-8 byte-order mark at the start is skipped and written back. UTF-16 files are not read
// yet: they hold no lines here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform::detail {

class IniDocument {
 public:
  // Parses any bytes; there is no malformed input, only lines that are not keys.
  explicit IniDocument(std::string_view bytes);

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
  // Sets `key` in the first section named `section`: replaces the first such key's line in
  // place (keeping its key spelling and line end), else adds "key=value" after the section's
  // last non-blank line, else adds the section "[section]" with the key at the end.
  bool Set(std::string_view section, std::string_view key, std::string_view value);
  // Removes every `key` line of the first section named `section`.
  bool RemoveKey(std::string_view section, std::string_view key);
  // Removes every section named `section` with all its lines.
  bool RemoveSection(std::string_view section);

  // The file's bytes, byte-order mark included.
  [[nodiscard]] std::string Render() const;

 private:
  enum class Kind { kBlank, kComment, kSection, kEntry, kOther };
  struct Line {
    std::string text;        // without the line end
    std::string_view end;    // "\r\n", "\n", "\r" or "" (a last line without one)
    Kind kind = Kind::kOther;
    std::size_t name_at = 0;  // section name or key, within text
    std::size_t name_size = 0;
    std::size_t value_at = 0;  // entries only
    std::size_t value_size = 0;
  };

  static Line Classify(std::string text, std::string_view end);
  [[nodiscard]] static std::string_view Name(const Line& line) {
    return std::string_view(line.text).substr(line.name_at, line.name_size);
  }
  // Index of the first section header named `section`, or lines_.size().
  [[nodiscard]] std::size_t FindSection(std::string_view section) const;
  // One past the last line of the section whose header is at `header`.
  [[nodiscard]] std::size_t SectionEnd(std::size_t header) const;
  // The line end new lines get: the first one of the file, else CR LF.
  [[nodiscard]] std::string_view NewLineEnd() const;
  // Inserts `text` as a whole line before index `at`, ending the line before it if needed.
  void InsertLine(std::size_t at, std::string text);

  bool bom_ = false;
  std::vector<Line> lines_;
  // Folded section name -> its first header line, so that a lookup in a large family file
  // does not scan every line. Built with the document; an edit moves lines, so it then
  // stops being used (edited documents are written out, not kept for reading).
  std::unordered_map<std::string, std::size_t> first_section_;
  bool index_valid_ = true;
};

// True when `bytes` are UTF-16 text: they start with a UTF-16 byte-order mark, or their first
// characters (at least three) are ASCII stored as UTF-16, every second byte zero. Lines are
// not found in such a file, and 8-bit lines must not be written into it.
[[nodiscard]] bool LooksLikeUtf16(std::string_view bytes);

// `text` without leading and trailing blanks (space, tab, vertical tab, form feed).
[[nodiscard]] std::string_view TrimBlanks(std::string_view text);

}  // namespace platform::detail
