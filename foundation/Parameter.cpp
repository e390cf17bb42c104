// Parameter: the walk over the entries, the quoted form of texts, and the typed values.
//
// Every operation works on the zero-terminated characters of the text with the C library's
// searches (strchr, strncmp), which stop at the zero: a malformed text can never lead a
// reader past its end, and lookups allocate nothing.
#include "foundation/Parameter.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <string_view>

#include "platform/number_locale.h"

namespace {

bool IsLineBreak(char c) { return c == '\r' || c == '\n'; }
bool IsOctalDigit(char c) { return c >= '0' && c <= '7'; }

// A character that is no hexadecimal digit counts as 0.
int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 0;
}

// A pointer is written with "%ld" where long holds one; where it is narrower (64-bit
// Windows) the long long form keeps the whole address.
constexpr bool kLongHoldsPointer = sizeof(long) >= sizeof(void*);

int Length(std::size_t n) {
  if (n > static_cast<std::size_t>(INT_MAX)) throw std::bad_alloc();
  return static_cast<int>(n);
}

// One new string of exactly the pieces' combined length.
QxString Joined(std::initializer_list<std::string_view> pieces) {
  std::size_t total = 0;
  for (const std::string_view piece : pieces) total += piece.size();
  const int length = Length(total);
  QxString result;
  char* out = result.GetBuffer(length);
  for (const std::string_view piece : pieces) {
    if (piece.empty()) continue;  // an empty view may hold no pointer at all, which memcpy must not get
    std::memcpy(out, piece.data(), piece.size());
    out += piece.size();
  }
  result.ReleaseBuffer(length);
  return result;
}

std::string_view View(const QxString& s) {
  return {static_cast<const char*>(s), static_cast<std::size_t>(s.GetLength())};
}

// A value runs to its ';' or, without one, to the end of the text.
std::string_view PlainValue(const char* value) {
  const char* semicolon = std::strchr(value, ';');
  return semicolon != nullptr ? std::string_view(value, static_cast<std::size_t>(semicolon - value))
                              : std::string_view(value);
}

// QxString grows to the exact new length on every append that does not fit; doubling the
// room when it runs out keeps a text made of escapes linear in its length.
void AppendGrowing(QxString& s, const char* piece, int n) {
  if (s.GetAllocLength() - s.GetLength() < n) {
    const long long wanted = std::max<long long>(2LL * s.GetAllocLength(), static_cast<long long>(s.GetLength()) + n);
    const int length = s.GetLength();
    s.GetBuffer(static_cast<int>(std::min<long long>(wanted, INT_MAX)));
    s.ReleaseBuffer(length);
  }
  s += piece;
}

enum class Resolved { kByte, kNothing, kEnd };

// Resolves the escape whose backslash `cursor` points at into `byte`, leaving `cursor` on the
// escape's last character, or on the text's zero when the text ends inside the escape.
Resolved ResolveEscape(const char*& cursor, char& byte) {
  ++cursor;
  switch (*cursor) {
    case '\0': return Resolved::kEnd;
    case 'a': byte = '\a'; return Resolved::kByte;
    case 'b': byte = '\b'; return Resolved::kByte;
    case 'f': byte = '\f'; return Resolved::kByte;
    case 'n': byte = '\n'; return Resolved::kByte;
    case 'r': byte = '\r'; return Resolved::kByte;
    case 't': byte = '\t'; return Resolved::kByte;
    case 'v': byte = '\v'; return Resolved::kByte;
    case '\r':
    case '\n': return Resolved::kNothing;  // a continued line
    case 'x':
      // Both characters belong to the escape, digits or not; only the end stops it.
      for (int k = 1; k <= 2; ++k) {
        if (cursor[k] == '\0') {
          cursor += k;
          return Resolved::kEnd;
        }
      }
      byte = static_cast<char>(HexDigitValue(cursor[1]) * 16 + HexDigitValue(cursor[2]));
      cursor += 2;
      return Resolved::kByte;
    default:
      if (IsOctalDigit(*cursor)) {
        int value = *cursor - '0';
        for (int more = 0; more < 2 && IsOctalDigit(cursor[1]); ++more) value = value * 8 + (*++cursor - '0');
        byte = static_cast<char>(value & 0xFF);
      } else {
        byte = *cursor;  // also the escaped quote and backslash
      }
      return Resolved::kByte;
  }
}

}  // namespace

// --- Construction, conversion --------------------------------------------------------------

Parameter::Parameter(const char* text) : m_text(text) {}

Parameter::Parameter(QxString text) : m_text(text) {}

Parameter::Parameter(std::string text) : m_text(text) {}

Parameter::~Parameter() = default;

Parameter::operator QxString() const { return m_text; }

Parameter::operator const char*() const { return m_text; }

// --- The internal operations ---------------------------------------------------------------

int Parameter::FindTag(const char* tag, TextEnd* end) const {
  const char* const text = m_text;
  auto missing = [&](TextEnd::Kind kind, const char* at) {
    if (end != nullptr) *end = TextEnd{kind, static_cast<int>(at - text)};
    return -1;
  };
  if (tag == nullptr) return missing(TextEnd::kEntryStart, text);
  const std::size_t n = std::strlen(tag);
  const char* p = text;
  for (;;) {
    while (*p == ' ') ++p;
    if (*p == '\0') return missing(TextEnd::kEntryStart, p);
    if (IsLineBreak(*p)) {
      ++p;
      continue;
    }
    if (std::strncmp(p, tag, n) == 0 && p[n] == '=') return static_cast<int>(p + n + 1 - text);
    const char* equals = std::strchr(p, '=');
    if (equals == nullptr) return missing(TextEnd::kTag, p);
    const char* cursor = equals + 1;
    if (*cursor == '"') {
      const char* quote = cursor;
      ReadQuoted(cursor, false);
      if (*cursor == '\0') return missing(TextEnd::kQuoted, quote);
    }
    const char* semicolon = std::strchr(cursor, ';');
    if (semicolon == nullptr) return missing(TextEnd::kValue, cursor);
    p = semicolon + 1;
  }
}

QxString Parameter::ReadQuoted(const char*& cursor, bool collect) {
  std::string decoded;
  ++cursor;
  if (*cursor == '"') {
    ++cursor;
    return QxString();
  }
  while (*cursor != '\0') {
    char byte = *cursor;
    Resolved resolved = Resolved::kByte;
    if (byte == '\\') resolved = ResolveEscape(cursor, byte);
    if (resolved == Resolved::kEnd) break;
    if (resolved == Resolved::kByte && collect) decoded += byte;
    ++cursor;
    if (*cursor == '"') {
      ++cursor;
      break;
    }
  }
  return collect ? QxString(decoded.data(), Length(decoded.size())) : QxString();
}

QxString Parameter::WriteQuoted(const char* text) {
  if (text == nullptr) text = "";
  const std::size_t length = std::strlen(text);
  QxString quoted("\"");
  quoted.GetBuffer(static_cast<int>(std::min<std::size_t>(2 * length, INT_MAX)));
  quoted.ReleaseBuffer(-1);
  QxString octal;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto byte = static_cast<unsigned char>(*p);
    const char* escape = nullptr;
    switch (byte) {
      case 0x07: escape = "\\a"; break;
      case 0x08: escape = "\\b"; break;
      case 0x09: escape = "\\t"; break;
      case 0x0A: escape = "\\n"; break;
      case 0x0B: escape = "\\v"; break;
      case 0x0C: escape = "\\f"; break;
      case 0x0D: escape = "\\r"; break;
      case 0x22: escape = "\\\""; break;
      case 0x5C: escape = "\\\\"; break;
      default: break;
    }
    if (escape != nullptr) {
      AppendGrowing(quoted, escape, 2);
    } else if (byte < 0x20 || (byte >= 0x80 && byte <= 0xA0)) {
      octal.Format("\\%d%d%d", (byte >> 6) & 7, (byte >> 3) & 7, byte & 7);
      AppendGrowing(quoted, octal, 4);
    } else {
      const char one[2] = {*p, '\0'};
      AppendGrowing(quoted, one, 1);
    }
  }
  quoted += '"';
  return quoted;
}

void Parameter::StoreValue(const char* tag, QxString valueText) {
  if (tag == nullptr) return;
  TextEnd end;
  const int found = FindTag(tag, &end);
  const char* const text = m_text;
  const std::string_view visible(text);
  if (found >= 0) {
    const char* rest = text + found;
    if (*rest == '"') ReadQuoted(rest, false);
    const char* semicolon = std::strchr(rest, ';');
    m_text = Joined({visible.substr(0, static_cast<std::size_t>(found)), View(valueText),
                     semicolon != nullptr ? std::string_view(semicolon) : std::string_view()});
    return;
  }
  // The entry goes behind the last one. A text that stops inside an entry would swallow it
  // (the walk runs on to the next ';', '=' or closing quote), so that entry is ended first.
  std::string separator;
  switch (end.kind) {
    case TextEnd::kEntryStart: break;
    case TextEnd::kTag:
      // The unfinished entry is the tag itself: it only lacks its '='.
      if (std::strcmp(text + end.at, tag) == 0) {
        m_text = Joined({visible, "=", View(valueText), ";\r\n"});
        return;
      }
      separator = "=;\r\n";
      break;
    case TextEnd::kValue: separator = ";\r\n"; break;
    case TextEnd::kQuoted:
      // Nothing when the value closes exactly at the end; else a closing quote, behind what an
      // unfinished escape still takes (a lone backslash drops a line break, "\x" takes two).
      // A closer fits when the reading stops on the byte probed behind it.
      for (const char* closer : {"", "\"", "\n\"", "00\""}) {
        const std::string probe = std::string(text + end.at) + closer + '\x01';
        const char* cursor = probe.c_str();
        ReadQuoted(cursor, false);
        if (*cursor == '\x01') {
          separator = std::string(closer) + ";\r\n";
          break;
        }
      }
      break;
  }
  m_text = Joined({visible, separator, tag, "=", View(valueText), ";\r\n"});
}

// --- Reading -------------------------------------------------------------------------------

bool Parameter::Get(const char* tag, int& value) const {
  const int at = FindTag(tag);
  if (at < 0) return false;
  value = std::atoi(static_cast<const char*>(m_text) + at);
  return true;
}

bool Parameter::Get(const char* tag, ULONGLONG& value) const {
  const int at = FindTag(tag);
  if (at < 0) return false;
  value = std::strtoull(static_cast<const char*>(m_text) + at, nullptr, 10);
  return true;
}

bool Parameter::Get(const char* tag, bool& value) const {
  const int at = FindTag(tag);
  if (at < 0) return false;
  value = static_cast<const char*>(m_text)[at] == 't';
  return true;
}

bool Parameter::Get(const char* tag, QxString& value) const {
  const int at = FindTag(tag);
  if (at < 0) return false;
  const char* cursor = static_cast<const char*>(m_text) + at;
  if (*cursor != '"') return false;
  value = ReadQuoted(cursor, true);
  return true;
}

bool Parameter::Get(const char* tag, double& value) const {
  const int at = FindTag(tag);
  if (at < 0) return false;
  const platform::ClassicNumberScope classic;
  // strtod, not atof: the two read alike, but MinGW's atof is the system runtime's, which
  // knows no "inf", "nan" or hexadecimal numbers; its strtod is the C99 one.
  value = std::strtod(static_cast<const char*>(m_text) + at, nullptr);
  return true;
}

bool Parameter::Get(const char* tag, void*& value) const {
  const int at = FindTag(tag);
  if (at < 0) return false;
  const char* number = static_cast<const char*>(m_text) + at;
  std::intptr_t address = 0;
  if constexpr (kLongHoldsPointer)
    address = static_cast<std::intptr_t>(std::atol(number));
  else
    address = static_cast<std::intptr_t>(std::atoll(number));
  value = reinterpret_cast<void*>(address);
  return true;
}

int Parameter::GetInt(const char* tag, int defaultValue) const {
  Get(tag, defaultValue);
  return defaultValue;
}

ULONGLONG Parameter::GetULONGLONG(const char* tag, ULONGLONG defaultValue) const {
  Get(tag, defaultValue);
  return defaultValue;
}

bool Parameter::GetBool(const char* tag) const {
  bool value = false;
  Get(tag, value);
  return value;
}

QxString Parameter::GetString(const char* tag) const {
  QxString value;
  Get(tag, value);
  return value;
}

double Parameter::GetDouble(const char* tag) const {
  double value = 0.0;
  Get(tag, value);
  return value;
}

void* Parameter::GetPtr(const char* tag) const {
  void* value = nullptr;
  Get(tag, value);
  return value;
}

// --- Writing -------------------------------------------------------------------------------

void Parameter::Set(const char* tag, int value) {
  QxString text;
  text.Format("%d", value);
  StoreValue(tag, text);
}

void Parameter::Set(const char* tag, bool value) { StoreValue(tag, value ? "true" : "false"); }

void Parameter::Set(const char* tag, const char* value) { StoreValue(tag, WriteQuoted(value)); }

void Parameter::Set(const char* tag, double value) {
  QxString text;
  {
    const platform::ClassicNumberScope classic;
    text.Format("%lf", value);
  }
  StoreValue(tag, text);
}

void Parameter::Set(const char* tag, void* value) {
  const auto address = reinterpret_cast<std::intptr_t>(value);
  QxString text;
  if constexpr (kLongHoldsPointer)
    text.Format("%ld", static_cast<long>(address));
  else
    text.Format("%lld", static_cast<long long>(address));
  StoreValue(tag, text);
}

void Parameter::Set(const char* tag, ULONGLONG value) {
  // QxString::Format promises no 64-bit conversions; the framework's string, sized by a
  // measuring first pass, does the formatting.
  std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, "%llu", value)), '\0');
  std::snprintf(text.data(), text.size() + 1, "%llu", value);
  StoreValue(tag, QxString(text));
}

bool Parameter::RemoveTag(const char* tag) {
  const int found = FindTag(tag);
  if (found < 0) return false;
  const char* const text = m_text;
  const char* const value = text + found;
  const char* from = value;
  if (*from == '"') ReadQuoted(from, false);
  // The cut ends behind the last ';' or line break before the next entry's '=', so the
  // spaces in front of that entry's tag stay with it.
  const char* cutEnd = text + std::strlen(text);
  if (const char* equals = std::strchr(from, '='); equals != nullptr) {
    cutEnd = value + 1;
    for (const char* c = equals - 1; c > value; --c) {
      if (*c == ';' || IsLineBreak(*c)) {
        cutEnd = c + 1;
        break;
      }
    }
  }
  const int first = found - Length(std::strlen(tag)) - 1;
  m_text.Delete(first, static_cast<int>(cutEnd - text) - first);
  return true;
}

// --- Comparison ----------------------------------------------------------------------------

bool Parameter::operator==(const Parameter& other) const {
  // Both passes step over the entries of one text: the tag runs from the entry's start (line
  // breaks in front stepped over) to its '='; a text without a further '=' holds no more
  // entries. `visit` answers false to stop the comparison.
  auto walk = [](const char* p, auto visit) {
    while (*p != '\0') {
      if (IsLineBreak(*p)) {
        ++p;
        continue;
      }
      const char* equals = std::strchr(p, '=');
      if (equals == nullptr) break;
      const std::string tag(p, equals);
      const char* value = equals + 1;
      if (!visit(tag.c_str(), value)) return false;
      if (*value == '"') {
        ReadQuoted(value, false);
        p = *value != '\0' ? value + 1 : value;  // behind the character after the closing quote
      } else {
        const char* semicolon = std::strchr(value, ';');
        if (semicolon == nullptr) break;
        p = semicolon + 1;
      }
    }
    return true;
  };
  const bool mine = walk(m_text, [&](const char* tag, const char* value) {
    if (*value == '"') return View(GetString(tag)) == View(other.GetString(tag));
    const int theirs = other.FindTag(tag);
    return theirs >= 0 && PlainValue(value) == PlainValue(static_cast<const char*>(other.m_text) + theirs);
  });
  return mine && walk(other.m_text, [&](const char* tag, const char*) { return FindTag(tag) >= 0; });
}

bool Parameter::operator!=(const Parameter& other) const { return !(*this == other); }
