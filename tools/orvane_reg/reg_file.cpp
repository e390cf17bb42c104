// ".reg" files: decoding the three forms into UTF-16 lines, reading the entries into
// registry changes, and writing keys and values back out.
#include "tools/orvane_reg/reg_file.h"

#include <array>
#include <cstdio>

#include "platform/codepage.h"

namespace regfile {
namespace {

constexpr std::u16string_view kHeader5 = u"Windows Registry Editor Version 5.00";
constexpr std::u16string_view kHeader4 = u"REGEDIT4";
constexpr std::size_t kMaxDepth = 512;  // levels below a root, as the registry allows
constexpr std::size_t kMaxName = 255;   // characters of a key or value name

struct RootEntry {
  const char* name;
  const char* short_name;
  HKEY key;
};

const std::array<RootEntry, 3>& Roots() {
  static const std::array<RootEntry, 3> roots = {{
      {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
      {"HKEY_CURRENT_USER", "HKCU", HKEY_CURRENT_USER},
      {"HKEY_USERS", "HKU", HKEY_USERS},
  }};
  return roots;
}

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == u'\r')) text.remove_suffix(1);
  return text;
}

std::string Quote(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string Utf8(std::u16string_view text) {
  std::string out;
  (void)platform::FromUtf16(text, platform::kCodePageUtf8, out);
  return out;
}

// 2 where a surrogate pair begins at `at`, else 1.
std::size_t CharLength(std::u16string_view text, std::size_t at) {
  const bool pair = text[at] >= 0xD800 && text[at] < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 &&
                    text[at + 1] < 0xE000;
  return pair ? 2 : 1;
}

// The character at `at` as "U+XXXX" (a surrogate pair as its code point).
std::string CodePoint(std::u16string_view text, std::size_t at) {
  char32_t c = text[at];
  if (CharLength(text, at) == 2) c = 0x10000 + ((c - 0xD800) << 10) + (text[at + 1] - 0xDC00);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", static_cast<unsigned>(c));
  return buffer;
}

// `text` in the ANSI code page; false, with the reason, when a character does not fit.
bool ToAnsi(std::u16string_view text, std::string& out, std::string& reason) {
  std::u16string back;
  if (platform::FromUtf16(text, platform::kCodePageAnsi, out) &&
      platform::ToUtf16(out, platform::kCodePageAnsi, back) && back == text)
    return true;
  std::size_t at = 0;
  for (; at < text.size(); at += CharLength(text, at)) {
    std::string one;
    std::u16string again;
    const std::u16string_view character = text.substr(at, CharLength(text, at));
    if (!platform::FromUtf16(character, platform::kCodePageAnsi, one) ||
        !platform::ToUtf16(one, platform::kCodePageAnsi, again) || again != character)
      break;
  }
  reason = "the character " + CodePoint(text, at < text.size() ? at : 0) + " cannot be stored in code page " +
           std::to_string(platform::AnsiCodePage());
  return false;
}

std::size_t LineOf(std::u16string_view text, std::size_t offset) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < offset && i < text.size(); ++i) line += text[i] == u'\n';
  return line;
}

// The file as UTF-16, from any of its three forms.
bool Decode(std::string_view bytes, std::u16string& text, Problem& error) {
  text.clear();
  if (bytes.starts_with("\xFE\xFF")) {
    error = {1, "big-endian UTF-16 is not read: save the file as UTF-16LE or UTF-8"};
    return false;
  }
  if (bytes.starts_with("\xFF\xFE")) {
    bytes.remove_prefix(2);
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (bytes.size() % 2 != 0) {
      error = {LineOf(text, text.size()), "the UTF-16 text is cut off (an odd number of bytes)"};
      return false;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      const bool high = c >= 0xD800 && c < 0xDC00, low = c >= 0xDC00 && c < 0xE000;
      if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
        ++i;
      } else if (high || low) {
        error = {LineOf(text, i), "a lone UTF-16 surrogate (" + CodePoint(text, i) + ")"};
        return false;
      }
    }
    return true;
  }
  const bool bom = bytes.starts_with("\xEF\xBB\xBF");
  if (bom) bytes.remove_prefix(3);
  if (!bom && bytes.starts_with("REGEDIT4")) return platform::ToUtf16(bytes, platform::kCodePageAnsi, text);
  // UTF-8, line by line so that a broken sequence is reported where it is.
  std::size_t line = 1;
  for (std::size_t start = 0; start <= bytes.size(); ++line) {
    const std::size_t end = std::min(bytes.find('\n', start), bytes.size());
    const std::string_view part = bytes.substr(start, end - start);
    std::u16string decoded;
    std::string again;
    if (!platform::ToUtf16(part, platform::kCodePageUtf8, decoded) ||
        !platform::FromUtf16(decoded, platform::kCodePageUtf8, again) || again != part) {
      error = {line, "not valid UTF-8"};
      return false;
    }
    text += decoded;
    if (end == bytes.size()) break;
    text += u'\n';
    start = end + 1;
  }
  return true;
}

// True when the entry goes on in the next line: it ends in a backslash outside a quote.
bool Continues(std::u16string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() == u';' || line.back() != u'\\') return false;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (quoted && line[i] == u'\\') ++i;
    else if (line[i] == u'"') quoted = !quoted;
  }
  return !quoted;
}

class Reader {
 public:
  explicit Reader(const ReadOptions& options, ReadResult& result) : options_(options), result_(result) {}

  // One entry: a key header, a value, a comment or a blank line.
  bool Entry(std::u16string_view entry, std::size_t line) {
    line_ = line;
    entry = Trim(entry);
    if (entry.empty() || entry.front() == u';') return true;
    if (entry.front() == u'[') return Key(entry);
    if (entry.front() == u'@' || entry.front() == u'"') return Value(entry);
    return Fail("neither a [key], a value nor a comment");
  }

 private:
  bool Fail(std::string reason) {
    result_.error = Problem{line_, std::move(reason)};
    return false;
  }

  void Add(platform::RegistryChange change) {
    result_.changes.push_back(std::move(change));
    result_.lines.push_back(line_);
  }

  bool Key(std::u16string_view entry) {
    const std::size_t close = entry.rfind(u']');
    if (close == std::u16string_view::npos) return Fail("missing ']' after the key");
    if (!Trim(entry.substr(close + 1)).empty()) return Fail("text after the key's ']'");
    std::u16string_view path = entry.substr(1, close - 1);
    const bool remove = !path.empty() && path.front() == u'-';
    if (remove) path.remove_prefix(1);
    std::string ansi, reason;
    if (!ToAnsi(path, ansi, reason)) return Fail(reason);
    const std::size_t slash = ansi.find('\\');
    HKEY root{};
    if (!ParseRoot(std::string_view(ansi).substr(0, slash), root))
      return Fail("unknown root " + Quote(ansi.substr(0, slash)) +
                  " (HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER or HKEY_USERS)");
    std::string below = slash == std::string::npos ? std::string() : ansi.substr(slash + 1);
    if (!below.empty() && below.back() == '\\') below.pop_back();
    std::size_t depth = 0;
    for (std::size_t start = 0; !below.empty() && start <= below.size(); ++depth) {
      const std::size_t end = std::min(below.find('\\', start), below.size());
      if (end == start) return Fail("an empty key name in " + Quote(ansi));
      if (end - start > kMaxName) return Fail("a key name longer than 255 characters");
      start = end + 1;
    }
    // The account's own key is the first level below HKEY_CURRENT_USER's.
    const std::size_t max_depth = root == HKEY_CURRENT_USER ? kMaxDepth - 1 : kMaxDepth;
    if (depth > max_depth) return Fail("the key lies deeper than " + std::to_string(max_depth) + " levels");
    if (remove && depth == 0) return Fail("a root cannot be deleted");
    using Kind = platform::RegistryChange::Kind;
    Add({remove ? Kind::kDeleteTree : Kind::kCreateKey, root, below, {}, {}});
    key_ = Current{root, std::move(below), remove, true};
    return true;
  }

  // A quoted text at the start of `rest`, unescaped; `rest` moves past it.
  bool Quoted(std::u16string_view& rest, std::u16string& out) {
    out.clear();
    for (std::size_t i = 1; i < rest.size(); ++i) {
      const char16_t c = rest[i];
      if (c == u'"') {
        rest.remove_prefix(i + 1);
        return true;
      }
      if (c != u'\\') {
        out.push_back(c);
        continue;
      }
      if (++i == rest.size()) break;
      if (rest[i] != u'\\' && rest[i] != u'"')
        return Fail("bad escape \\" + Utf8(rest.substr(i, 1)) + R"( (only \\ and \" are known))");
      out.push_back(rest[i]);
    }
    return Fail("unterminated quote");
  }

  bool Value(std::u16string_view entry) {
    if (!key_.set) return Fail("a value before any [key]");
    std::u16string name_text;
    if (entry.front() == u'@') {
      entry.remove_prefix(1);
    } else if (!Quoted(entry, name_text)) {
      return false;
    }
    entry = Trim(entry);
    if (entry.empty() || entry.front() != u'=') return Fail("'=' expected after the value's name");
    entry = Trim(entry.substr(1));
    std::string name, reason;
    if (!ToAnsi(name_text, name, reason)) return Fail(reason);
    if (name.size() > kMaxName) return Fail("a value name longer than 255 characters");
    const std::string shown = name.empty() ? "@" : Quote(name);
    using Kind = platform::RegistryChange::Kind;
    if (entry == u"-") return Under(Kind::kDeleteValue, std::move(name), {});
    if (!entry.empty() && entry.front() == u'"') {
      std::u16string data_text;
      if (!Quoted(entry, data_text)) return false;
      if (!Trim(entry).empty()) return Fail("text after the value of " + shown);
      std::string data;
      if (!ToAnsi(data_text, data, reason)) return Fail(reason);
      return Under(Kind::kSetValue, std::move(name), std::move(data));
    }
    const std::size_t colon = entry.find(u':');
    if (colon == std::u16string_view::npos || colon == 0)
      return Fail("the value of " + shown + " is neither \"text\", - nor a typed value such as dword:");
    const std::string type = Utf8(entry.substr(0, colon));
    if (!options_.skip_other_types)
      return Fail("the value " + shown + " has the type " + type +
                  ": only text values can be stored (--skip-other-types leaves such values out)");
    result_.skipped.push_back({line_, "the value " + shown + " of type " + type + " was left out"});
    return true;
  }

  bool Under(platform::RegistryChange::Kind kind, std::string name, std::string data) {
    if (key_.removed) return Fail("a value under a key that is being deleted");
    Add({kind, key_.root, key_.path, std::move(name), std::move(data)});
    return true;
  }

  struct Current {
    HKEY root{};
    std::string path;
    bool removed = false;
    bool set = false;
  };

  const ReadOptions& options_;
  ReadResult& result_;
  Current key_;
  std::size_t line_ = 0;
};

}  // namespace

bool ParseRoot(std::string_view name, HKEY& root) {
  for (const RootEntry& candidate : Roots()) {
    if (platform::AnsiEqualNoCase(name, candidate.name) || platform::AnsiEqualNoCase(name, candidate.short_name)) {
      root = candidate.key;
      return true;
    }
  }
  return false;
}

const char* RootName(HKEY root) {
  for (const RootEntry& candidate : Roots())
    if (candidate.key == root) return candidate.name;
  return "";
}

ReadResult Read(std::string_view bytes, const ReadOptions& options) {
  ReadResult result;
  std::u16string text;
  Problem problem;
  if (!Decode(bytes, text, problem)) {
    result.error = problem;
    return result;
  }
  std::size_t start = 0, line = 1;
  const auto next_line = [&](std::u16string_view& out) {
    if (start > text.size()) return false;
    const std::size_t end = std::min(text.find(u'\n', start), text.size());
    out = std::u16string_view(text).substr(start, end - start);
    start = end + 1;
    return true;
  };
  std::u16string_view first;
  (void)next_line(first);
  first = Trim(first);
  if (first != kHeader5 && first != kHeader4) {
    result.error = Problem{1, "not a registry file: the first line must be \"Windows Registry Editor Version "
                              "5.00\" or \"REGEDIT4\""};
    return result;
  }
  Reader reader(options, result);
  std::u16string entry;
  std::u16string_view physical;
  std::size_t entry_line = 0;
  bool pending = false;
  while (next_line(physical)) {
    ++line;
    if (!pending) {
      entry.assign(physical);
      entry_line = line;
    } else {
      // The next line goes on where the backslash was, without its own indentation.
      entry = std::u16string(Trim(entry));
      entry.pop_back();
      entry += Trim(physical);
    }
    pending = Continues(entry);
    if (pending) continue;
    if (!reader.Entry(entry, entry_line)) {
      result.changes.clear();
      result.lines.clear();
      return result;
    }
  }
  if (pending && !reader.Entry(entry, entry_line)) {
    result.changes.clear();
    result.lines.clear();
  }
  return result;
}

Writer::Writer(Encoding encoding) : encoding_(encoding) {
  if (encoding_ == Encoding::kUtf16) out_ = "\xFF\xFE";
  Line(encoding_ == Encoding::kRegedit4 ? "REGEDIT4" : "Windows Registry Editor Version 5.00");
}

void Writer::Line(std::string_view ansi) {
  std::string line(ansi);
  line += "\r\n";
  if (encoding_ == Encoding::kRegedit4) {
    out_ += line;
    return;
  }
  std::u16string wide;
  (void)platform::ToUtf16(line, platform::kCodePageAnsi, wide);
  if (encoding_ == Encoding::kUtf8) {
    std::string utf8;
    (void)platform::FromUtf16(wide, platform::kCodePageUtf8, utf8);
    out_ += utf8;
    return;
  }
  for (const char16_t c : wide) {
    out_.push_back(static_cast<char>(c & 0xFF));
    out_.push_back(static_cast<char>(c >> 8));
  }
}

namespace {

// Line breaks and NULs cannot be written into a line of text.
bool Writable(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

}  // namespace

bool Writer::Key(std::string_view path) {
  if (!Writable(path)) return false;
  Line("");
  Line("[" + std::string(path) + "]");
  return true;
}

bool Writer::Value(std::string_view name, std::string_view data) {
  if (!Writable(name) || !Writable(data)) return false;
  const auto escaped = [](std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
      if (c == '\\' || c == '"') out += '\\';
      out += c;
    }
    return out + "\"";
  };
  Line((name.empty() ? std::string("@") : escaped(name)) + "=" + escaped(data));
  return true;
}

std::string Writer::Finish() const {
  Writer copy = *this;
  copy.Line("");
  return copy.out_;
}

}  // namespace regfile
