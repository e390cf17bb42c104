// An INI file's bytes, lookups and byte-preserving edits.
#include "platform/emulation/ini_document.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <unordered_set>

#include "platform/emulation/ansi_case.h"

namespace platform::detail {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::size_t npos = std::string_view::npos;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

enum class Kind { kBlank, kComment, kSection, kEntry, kOther };

// What one line (without its line end) is.
struct Line {
  Kind kind = Kind::kOther;
  std::string_view name;   // section name or key
  std::string_view value;  // entries only
};

Line Classify(std::string_view text) {
  Line line;
  const std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty()) {
    line.kind = Kind::kBlank;
  } else if (trimmed.front() == ';') {
    line.kind = Kind::kComment;
  } else if (const std::size_t close = trimmed.rfind(']'); trimmed.front() == '[' && close != npos) {
    line.kind = Kind::kSection;
    line.name = TrimBlanks(trimmed.substr(1, close - 1));
  } else if (const std::size_t equals = trimmed.find('='); equals != npos) {
    line.kind = Kind::kEntry;
    line.name = TrimBlanks(trimmed.substr(0, equals));
    line.value = TrimBlanks(trimmed.substr(equals + 1));
  }
  return line;
}

// The end of the text of the line starting at `at`: its CR or LF, or the end of the bytes.
std::size_t TextEnd(std::string_view bytes, std::size_t at) {
  while (at < bytes.size() && bytes[at] != '\r' && bytes[at] != '\n') ++at;
  return at;
}

// The offset after the line end at `at` (CR LF, CR, LF or none).
std::size_t AfterEnd(std::string_view bytes, std::size_t at) {
  if (at >= bytes.size()) return at;
  if (bytes[at] == '\r' && at + 1 < bytes.size() && bytes[at + 1] == '\n') return at + 2;
  return at + 1;
}

// FNV-1a over the folded name, so that names equal without case hash alike.
std::uint32_t FoldedHash(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) {
    const char16_t u = AnsiToUpper(static_cast<unsigned char>(c));
    hash = (hash ^ static_cast<std::uint32_t>(u & 0xFF)) * 16777619u;
    hash = (hash ^ static_cast<std::uint32_t>(u >> 8)) * 16777619u;
  }
  return hash;
}

// Collects names once each, comparing without case.
class DistinctNames {
 public:
  void Add(std::string_view name) {
    if (!name.empty() && seen_.insert(AnsiFoldKey(name)).second) names_.push_back(name);
  }
  std::vector<std::string_view> Take() { return std::move(names_); }

 private:
  std::unordered_set<std::string> seen_;
  std::vector<std::string_view> names_;
};

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool LooksLikeUtf16(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) return true;
  // An INI file starts with a section, a comment or a key: ASCII. Without a byte-order mark,
  // little-endian UTF-16 shows it as "c\0c\0...", big-endian as "\0c\0c...".
  const std::size_t checked = std::min<std::size_t>(bytes.size(), 64) & ~std::size_t{1};
  if (checked < 6) return false;
  bool little = true;
  bool big = true;
  for (std::size_t i = 0; i < checked; i += 2) {
    little = little && bytes[i] != '\0' && bytes[i + 1] == '\0';
    big = big && bytes[i] == '\0' && bytes[i + 1] != '\0';
  }
  return little || big;
}

IniDocument::IniDocument(std::string bytes) : bytes_(std::move(bytes)) {
  if (LooksLikeUtf16(bytes_)) {
    utf16_ = true;
    start_ = bytes_.size();  // no lines
    return;
  }
  if (std::string_view(bytes_).starts_with(kBom)) start_ = kBom.size();
  Index();
}

void IniDocument::Index() {
  headers_.clear();
  indexed_ = false;
  if (bytes_.size() > std::numeric_limits<std::uint32_t>::max()) return;
  // A header line is one whose first byte after blanks is '['. Each '[' is found with memchr
  // and only the bytes before it on its line are looked at: the key lines, most of a file,
  // are skipped without being split into lines.
  const std::string_view all = bytes_;
  const char* const begin = all.data();
  const char* const first = begin + start_;
  const char* const end = begin + all.size();
  for (const char* p = first; p < end;) {
    const char* const open = static_cast<const char*>(std::memchr(p, '[', static_cast<std::size_t>(end - p)));
    if (open == nullptr) break;
    const char* line = open;
    while (line > first && IsBlank(line[-1])) --line;
    if (line != first && line[-1] != '\r' && line[-1] != '\n') {
      p = open + 1;  // not the line's first non-blank byte
      continue;
    }
    const auto at = static_cast<std::size_t>(line - begin);
    const std::size_t text_end = TextEnd(all, at);
    const Line header = Classify(all.substr(at, text_end - at));
    if (header.kind == Kind::kSection) headers_.push_back({FoldedHash(header.name), static_cast<std::uint32_t>(at)});
    p = begin + text_end;
  }
  std::sort(headers_.begin(), headers_.end());
  headers_.shrink_to_fit();
  indexed_ = true;
}

std::size_t IniDocument::NextLine(std::size_t at) const { return AfterEnd(bytes_, TextEnd(bytes_, at)); }

std::size_t IniDocument::FindSection(std::string_view section) const {
  const std::string_view all = bytes_;
  const auto name_at = [&all](std::size_t at) { return Classify(all.substr(at, TextEnd(all, at) - at)); };
  if (indexed_) {
    const std::uint32_t hash = FoldedHash(section);
    // Headers of one hash are in file order: the first whose name matches is the first one.
    for (auto it = std::lower_bound(headers_.begin(), headers_.end(), Header{hash, 0});
         it != headers_.end() && it->hash == hash; ++it) {
      if (AnsiEqualNoCase(name_at(it->at).name, section)) return it->at;
    }
    return npos;
  }
  for (std::size_t at = start_; at < all.size(); at = NextLine(at)) {
    const Line line = name_at(at);
    if (line.kind == Kind::kSection && AnsiEqualNoCase(line.name, section)) return at;
  }
  return npos;
}

std::string_view IniDocument::NewLineEnd() const {
  const std::string_view all = bytes_;
  const std::size_t end = TextEnd(all, start_);
  if (end == all.size()) return "\r\n";
  return all.substr(end, AfterEnd(all, end) - end);
}

void IniDocument::InsertLine(std::size_t at, std::string_view text) {
  const std::string line_end(NewLineEnd());
  std::string line;
  // Only the last line can lack a line end.
  if (at == bytes_.size() && at > start_ && bytes_.back() != '\r' && bytes_.back() != '\n') line += line_end;
  line.append(text).append(line_end);
  bytes_.insert(at, line);
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == npos) return std::nullopt;
  const std::string_view all = bytes_;
  for (std::size_t at = NextLine(header); at < all.size();) {
    const std::size_t end = TextEnd(all, at);
    const Line line = Classify(all.substr(at, end - at));
    if (line.kind == Kind::kSection) break;
    if (line.kind == Kind::kEntry && AnsiEqualNoCase(line.name, key)) return line.value;
    at = AfterEnd(all, end);
  }
  return std::nullopt;
}

std::vector<std::string_view> IniDocument::SectionNames() const {
  DistinctNames names;
  const std::string_view all = bytes_;
  for (std::size_t at = start_; at < all.size();) {
    const std::size_t end = TextEnd(all, at);
    const Line line = Classify(all.substr(at, end - at));
    if (line.kind == Kind::kSection) names.Add(line.name);
    at = AfterEnd(all, end);
  }
  return names.Take();
}

std::vector<std::string_view> IniDocument::KeyNames(std::string_view section) const {
  DistinctNames names;
  const std::size_t header = FindSection(section);
  if (header == npos) return {};
  const std::string_view all = bytes_;
  for (std::size_t at = NextLine(header); at < all.size();) {
    const std::size_t end = TextEnd(all, at);
    const Line line = Classify(all.substr(at, end - at));
    if (line.kind == Kind::kSection) break;
    if (line.kind == Kind::kEntry) names.Add(line.name);
    at = AfterEnd(all, end);
  }
  return names.Take();
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (utf16_) return false;
  std::string entry;
  const std::size_t header = FindSection(section);
  headers_ = {};
  indexed_ = false;
  if (header == npos) {
    entry.append("[").append(section).append("]");
    InsertLine(bytes_.size(), entry);
    entry.assign(key).append("=").append(value);
    InsertLine(bytes_.size(), entry);
    return true;
  }
  std::size_t after_last = NextLine(header);  // after the section's last non-blank line
  for (std::size_t at = after_last; at < bytes_.size();) {
    const std::size_t end = TextEnd(bytes_, at);
    const std::string_view text = std::string_view(bytes_).substr(at, end - at);
    const Line line = Classify(text);
    if (line.kind == Kind::kSection) break;
    if (line.kind == Kind::kEntry && AnsiEqualNoCase(line.name, key)) {
      entry.assign(line.name).append("=").append(value);
      if (entry == text) return false;
      bytes_.replace(at, end - at, entry);
      return true;
    }
    at = AfterEnd(bytes_, end);
    if (line.kind != Kind::kBlank) after_last = at;
  }
  entry.assign(key).append("=").append(value);
  InsertLine(after_last, entry);
  return true;
}

template <typename Remove>
bool IniDocument::RemoveLines(std::size_t from, Remove remove) {
  // Kept lines move down over removed ones; what is read is always at or past what is written.
  bool removed = false;
  std::size_t kept_end = from;
  for (std::size_t at = from; at < bytes_.size();) {
    const std::size_t end = TextEnd(bytes_, at);
    const std::size_t next = AfterEnd(bytes_, end);
    if (remove(std::string_view(bytes_).substr(at, end - at))) {
      removed = true;
    } else {
      if (kept_end != at) std::memmove(bytes_.data() + kept_end, bytes_.data() + at, next - at);
      kept_end += next - at;
    }
    at = next;
  }
  bytes_.resize(kept_end);
  return removed;
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  if (utf16_) return false;
  const std::size_t header = FindSection(section);
  headers_ = {};
  indexed_ = false;
  if (header == npos) return false;
  bool in_section = true;
  return RemoveLines(NextLine(header), [&](std::string_view text) {
    const Line line = Classify(text);
    if (line.kind == Kind::kSection) in_section = false;
    return in_section && line.kind == Kind::kEntry && AnsiEqualNoCase(line.name, key);
  });
}

bool IniDocument::RemoveSection(std::string_view section) {
  if (utf16_) return false;
  headers_ = {};
  indexed_ = false;
  bool in_section = false;
  return RemoveLines(start_, [&](std::string_view text) {
    const Line line = Classify(text);
    if (line.kind == Kind::kSection) in_section = AnsiEqualNoCase(line.name, section);
    return in_section;
  });
}

}  // namespace platform::detail
