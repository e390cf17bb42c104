// An INI file's lines, lookups and byte-preserving edits.
#include "platform/posix/ini_document.h"

#include <algorithm>
#include <unordered_set>

#include "platform/posix/ansi_case.h"

namespace platform::detail {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kLf = "\n";
constexpr std::string_view kCr = "\r";
constexpr std::string_view kNoEnd = "";
constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; }

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

IniDocument::IniDocument(std::string_view bytes) {
  if (LooksLikeUtf16(bytes)) return;
  if (bytes.starts_with(kBom)) {
    bom_ = true;
    bytes.remove_prefix(kBom.size());
  }
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t stop = bytes.find_first_of("\r\n", pos);
    std::string_view end = kNoEnd;
    std::size_t next = bytes.size();
    if (stop != std::string_view::npos) {
      if (bytes[stop] == '\n') {
        end = kLf;
      } else {
        end = stop + 1 < bytes.size() && bytes[stop + 1] == '\n' ? kCrLf : kCr;
      }
      next = stop + end.size();
    }
    const std::size_t length = (stop == std::string_view::npos ? bytes.size() : stop) - pos;
    lines_.push_back(Classify(std::string(bytes.substr(pos, length)), end));
    pos = next;
  }
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection) first_section_.try_emplace(AnsiFoldKey(Name(lines_[i])), i);
  }
}

IniDocument::Line IniDocument::Classify(std::string text, std::string_view end) {
  Line line;
  line.text = std::move(text);
  line.end = end;
  const std::string_view all = line.text;
  const std::string_view trimmed = TrimBlanks(all);
  const auto offset = [&all](std::string_view part) { return static_cast<std::size_t>(part.data() - all.data()); };
  if (trimmed.empty()) {
    line.kind = Kind::kBlank;
  } else if (trimmed.front() == ';') {
    line.kind = Kind::kComment;
  } else if (const std::size_t close = trimmed.rfind(']'); trimmed.front() == '[' && close != std::string_view::npos) {
    const std::string_view name = TrimBlanks(trimmed.substr(1, close - 1));
    line.kind = Kind::kSection;
    line.name_at = offset(name);
    line.name_size = name.size();
  } else if (const std::size_t equals = trimmed.find('='); equals != std::string_view::npos) {
    const std::string_view key = TrimBlanks(trimmed.substr(0, equals));
    const std::string_view value = TrimBlanks(trimmed.substr(equals + 1));
    line.kind = Kind::kEntry;
    line.name_at = offset(key);
    line.name_size = key.size();
    line.value_at = offset(value);
    line.value_size = value.size();
  }
  return line;
}

std::size_t IniDocument::FindSection(std::string_view section) const {
  if (index_valid_) {
    const auto found = first_section_.find(AnsiFoldKey(section));
    return found == first_section_.end() ? lines_.size() : found->second;
  }
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind == Kind::kSection && AnsiEqualNoCase(Name(lines_[i]), section)) return i;
  }
  return lines_.size();
}

std::size_t IniDocument::SectionEnd(std::size_t header) const {
  std::size_t end = header + 1;
  while (end < lines_.size() && lines_[end].kind != Kind::kSection) ++end;
  return end;
}

std::string_view IniDocument::NewLineEnd() const {
  for (const Line& line : lines_) {
    if (!line.end.empty()) return line.end;
  }
  return kCrLf;
}

void IniDocument::InsertLine(std::size_t at, std::string text) {
  const std::string_view end = NewLineEnd();
  if (at > 0 && lines_[at - 1].end.empty()) lines_[at - 1].end = end;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Classify(std::move(text), end));
}

std::optional<std::string_view> IniDocument::Find(std::string_view section, std::string_view key) const {
  const std::size_t header = FindSection(section);
  if (header == lines_.size()) return std::nullopt;
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::kEntry && AnsiEqualNoCase(Name(line), key))
      return std::string_view(line.text).substr(line.value_at, line.value_size);
  }
  return std::nullopt;
}

std::vector<std::string_view> IniDocument::SectionNames() const {
  DistinctNames names;
  for (const Line& line : lines_) {
    if (line.kind == Kind::kSection) names.Add(Name(line));
  }
  return names.Take();
}

std::vector<std::string_view> IniDocument::KeyNames(std::string_view section) const {
  DistinctNames names;
  const std::size_t header = FindSection(section);
  if (header == lines_.size()) return {};
  const std::size_t end = SectionEnd(header);
  for (std::size_t i = header + 1; i < end; ++i) {
    if (lines_[i].kind == Kind::kEntry) names.Add(Name(lines_[i]));
  }
  return names.Take();
}

bool IniDocument::Set(std::string_view section, std::string_view key, std::string_view value) {
  index_valid_ = false;
  std::string entry;
  const std::size_t header = FindSection(section);
  if (header == lines_.size()) {
    std::string head;
    head.append("[").append(section).append("]");
    InsertLine(lines_.size(), std::move(head));
    entry.append(key).append("=").append(value);
    InsertLine(lines_.size(), std::move(entry));
    return true;
  }
  const std::size_t end = SectionEnd(header);
  std::size_t last = header;
  for (std::size_t i = header + 1; i < end; ++i) {
    Line& line = lines_[i];
    if (line.kind == Kind::kEntry && AnsiEqualNoCase(Name(line), key)) {
      entry.append(Name(line)).append("=").append(value);
      if (entry == line.text) return false;
      line = Classify(std::move(entry), line.end);
      return true;
    }
    if (line.kind != Kind::kBlank) last = i;
  }
  entry.append(key).append("=").append(value);
  InsertLine(last + 1, std::move(entry));
  return true;
}

bool IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  index_valid_ = false;
  const std::size_t header = FindSection(section);
  if (header == lines_.size()) return false;
  const auto first = lines_.begin() + static_cast<std::ptrdiff_t>(header + 1);
  const auto last = lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(header));
  const auto kept = std::remove_if(first, last, [key](const Line& line) {
    return line.kind == Kind::kEntry && AnsiEqualNoCase(Name(line), key);
  });
  if (kept == last) return false;
  lines_.erase(kept, last);
  return true;
}

bool IniDocument::RemoveSection(std::string_view section) {
  index_valid_ = false;
  bool changed = false;
  std::size_t i = 0;
  while (i < lines_.size()) {
    if (lines_[i].kind == Kind::kSection && AnsiEqualNoCase(Name(lines_[i]), section)) {
      lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i),
                   lines_.begin() + static_cast<std::ptrdiff_t>(SectionEnd(i)));
      changed = true;
    } else {
      ++i;
    }
  }
  return changed;
}

std::string IniDocument::Render() const {
  std::size_t size = bom_ ? kBom.size() : 0;
  for (const Line& line : lines_) size += line.text.size() + line.end.size();
  std::string bytes;
  bytes.reserve(size);
  if (bom_) bytes.append(kBom);
  for (const Line& line : lines_) bytes.append(line.text).append(line.end);
  return bytes;
}

}  // namespace platform::detail
