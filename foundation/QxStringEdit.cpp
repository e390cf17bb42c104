// QxString: searching, extraction, case and code-page changes, trimming, inserting,
// deleting and replacing.
#include "foundation/QxString.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/QxStringBlocks.h"
#include "platform/codepage.h"

using namespace qxstring;

namespace {

// --- Replace -----------------------------------------------------------------------------

// Finds the needle's first byte by a short inline look (occurrences are often close together)
// and memchr over longer stretches, then compares the rest in place.
struct ExactFinder {
  std::string_view needle;
  std::size_t operator()(std::string_view text, std::size_t from) const {
    const std::size_t n = needle.size();
    if (n > text.size() || from > text.size() - n) return std::string_view::npos;
    const char first = needle[0];
    const char* const begin = text.data();
    const char* const last = begin + (text.size() - n);  // the last place an occurrence can start
    for (const char* p = begin + from; p <= last; ++p) {
      const std::size_t left = static_cast<std::size_t>(last - p) + 1;
      const std::size_t short_span = std::min<std::size_t>(left, 16);
      std::size_t i = 0;
      while (i < short_span && p[i] != first) ++i;
      if (i < short_span) {
        p += i;
      } else {
        if (left == short_span) return std::string_view::npos;
        p = static_cast<const char*>(std::memchr(p + short_span, first, left - short_span));
        if (p == nullptr) return std::string_view::npos;
      }
      std::size_t k = 1;
      while (k < n && p[k] == needle[k]) ++k;
      if (k == n) return static_cast<std::size_t>(p - begin);
    }
    return std::string_view::npos;
  }
};

struct NoCaseFinder {
  std::string upperNeedle;
  std::size_t operator()(std::string_view text, std::size_t from) const {
    const std::size_t n = upperNeedle.size();
    if (n > text.size()) return std::string_view::npos;
    for (std::size_t i = from; i + n <= text.size(); ++i) {
      if (Upper(text[i]) != upperNeedle[0]) continue;
      std::size_t k = 1;
      while (k < n && Upper(text[i + k]) == upperNeedle[k]) ++k;
      if (k == n) return i;
    }
    return std::string_view::npos;
  }
};

// The positions of the occurrences: the first ones in a page on the stack (no allocation for
// the usual texts), any further ones on the heap. Positions are below INT_MAX.
class Occurrences {
 public:
  void Add(std::size_t at) {
    if (count_ < kInline) {
      inline_[count_] = static_cast<std::uint32_t>(at);
    } else {
      more_.push_back(static_cast<std::uint32_t>(at));
    }
    ++count_;
  }
  [[nodiscard]] std::size_t Count() const { return count_; }
  [[nodiscard]] std::size_t operator[](std::size_t i) const { return i < kInline ? inline_[i] : more_[i - kInline]; }

 private:
  static constexpr std::size_t kInline = 1024;
  std::uint32_t inline_[kInline];
  std::vector<std::uint32_t> more_;
  std::size_t count_ = 0;
};

// Writes `source` with the `oldLength` bytes at each of `positions` replaced into `target`
// and terminates it. `target` may be `source` itself when the replacement is not longer than
// what it replaces: writing then never overtakes reading.
void Move(char* target, const char* source, std::size_t length) {
  if (length == 0) return;
  if (length <= 16) {
    MoveShort(target, source, length);
  } else {
    std::memmove(target, source, length);
  }
}

std::size_t ReplaceInto(std::string_view source, const Occurrences& positions,
                        std::size_t oldLength, std::string_view replacement, char* target) {
  std::size_t read = 0, written = 0;
  for (std::size_t i = 0; i < positions.Count(); ++i) {
    const std::size_t at = positions[i];
    Move(target + written, source.data() + read, at - read);
    written += at - read;
    Move(target + written, replacement.data(), replacement.size());
    written += replacement.size();
    read = at + oldLength;
  }
  std::memmove(target + written, source.data() + read, source.size() - read);
  written += source.size() - read;
  target[written] = '\0';
  return written;
}

}  // namespace

// --- Search ------------------------------------------------------------------------------

int QxString::Find(char ch) const { return Find(ch, 0); }

int QxString::Find(char ch, int start) const {
  start = std::max(start, 0);
  if (start >= Header(m_pchData)->dataLength) return -1;
  const char* at = std::strchr(m_pchData + start, ch);
  return at == nullptr ? -1 : static_cast<int>(at - m_pchData);
}

int QxString::Find(const char* text) const { return Find(text, 0); }

int QxString::Find(const char* text, int start) const {
  if (text == nullptr) return -1;
  start = std::max(start, 0);
  if (start > Header(m_pchData)->dataLength) return -1;
  const char* at = std::strstr(m_pchData + start, text);
  return at == nullptr ? -1 : static_cast<int>(at - m_pchData);
}

int QxString::ReverseFind(char ch) const {
  const char* at = std::strrchr(m_pchData, ch);
  return at == nullptr ? -1 : static_cast<int>(at - m_pchData);
}

int QxString::FindOneOf(const char* set) const {
  if (set == nullptr) return -1;
  const char* at = std::strpbrk(m_pchData, set);
  return at == nullptr ? -1 : static_cast<int>(at - m_pchData);
}

// --- Extraction --------------------------------------------------------------------------

QxString QxString::Mid(int first, int count) const {
  const long long length = Header(m_pchData)->dataLength;
  long long from = std::max(first, 0);
  long long n = std::max(count, 0);
  QxString dest;
  if (from > length) return dest;
  if (from + n > length) n = length - from;
  AllocCopy(dest, static_cast<int>(n), static_cast<int>(from), 0);
  return dest;
}

QxString QxString::Mid(int first) const {
  const long long rest = static_cast<long long>(Header(m_pchData)->dataLength) - first;
  return Mid(first, static_cast<int>(std::min<long long>(rest, INT_MAX)));
}

QxString QxString::Left(int count) const {
  const int n = std::clamp(count, 0, Header(m_pchData)->dataLength);
  QxString dest;
  AllocCopy(dest, n, 0, 0);
  return dest;
}

QxString QxString::Right(int count) const {
  const int length = Header(m_pchData)->dataLength;
  const int n = std::clamp(count, 0, length);
  QxString dest;
  AllocCopy(dest, n, length - n, 0);
  return dest;
}

QxString QxString::SpanIncluding(const char* set) const {
  return Left(static_cast<int>(std::strspn(m_pchData, OrEmpty(set))));
}

QxString QxString::SpanExcluding(const char* set) const {
  return Left(static_cast<int>(std::strcspn(m_pchData, OrEmpty(set))));
}

// --- Modification ------------------------------------------------------------------------

void QxString::MakeUpper() {
  Unshare(m_pchData);
  for (char* p = m_pchData; *p != '\0'; ++p) *p = Upper(*p);
}

void QxString::MakeLower() {
  Unshare(m_pchData);
  for (char* p = m_pchData; *p != '\0'; ++p) *p = Lower(*p);
}

void QxString::MakeReverse() {
  Unshare(m_pchData);
  std::reverse(m_pchData, m_pchData + std::strlen(m_pchData));
}

namespace {

void ConvertInPlace(char* text, unsigned from, unsigned to) {
  const std::size_t length = std::strlen(text);
  if (length == 0) return;
  std::string converted;
  if (!platform::ConvertCodePage(std::string_view(text, length), from, to, converted)) return;
  // Both code pages are single-byte: the length stays; never write past the old text.
  std::memcpy(text, converted.data(), std::min(length, converted.size()));
}

}  // namespace

void QxString::CharToOemA() {
  Unshare(m_pchData);
  ConvertInPlace(m_pchData, platform::kCodePageAnsi, platform::kCodePageOem);
}

void QxString::OemToCharA() {
  Unshare(m_pchData);
  ConvertInPlace(m_pchData, platform::kCodePageOem, platform::kCodePageAnsi);
}

namespace {

// Start of the run of matching characters that ends the zero-terminated text, or null.
template <typename Match>
char* TrailingRun(char* text, Match match) {
  char* run = nullptr;
  for (char* p = text; *p != '\0'; ++p) {
    if (match(*p)) {
      if (run == nullptr) run = p;
    } else {
      run = nullptr;
    }
  }
  return run;
}

template <typename Match>
char* LeadingEnd(char* text, Match match) {
  char* p = text;
  while (*p != '\0' && match(*p)) ++p;
  return p;
}

bool IsSpace(char c) { return std::isspace(Byte(c)) != 0; }

}  // namespace

void QxString::TrimRight() {
  Unshare(m_pchData);
  if (char* run = TrailingRun(m_pchData, IsSpace)) {
    *run = '\0';
    Header(m_pchData)->dataLength = static_cast<int>(run - m_pchData);
  }
}

void QxString::TrimLeft() {
  Unshare(m_pchData);
  QxStringData* data = Header(m_pchData);
  if (IsEmptyBlock(data)) return;
  const char* start = LeadingEnd(m_pchData, IsSpace);
  const int length = data->dataLength - static_cast<int>(start - m_pchData);
  std::memmove(m_pchData, start, static_cast<std::size_t>(length) + 1);
  data->dataLength = length;
}

void QxString::TrimRight(char ch) {
  Unshare(m_pchData);
  if (char* run = TrailingRun(m_pchData, [ch](char c) { return c == ch; })) {
    *run = '\0';
    Header(m_pchData)->dataLength = static_cast<int>(run - m_pchData);
  }
}

void QxString::TrimLeft(char ch) {
  Unshare(m_pchData);
  const char* start = LeadingEnd(m_pchData, [ch](char c) { return c == ch; });
  if (start == m_pchData) return;
  QxStringData* data = Header(m_pchData);
  const int length = data->dataLength - static_cast<int>(start - m_pchData);
  std::memmove(m_pchData, start, static_cast<std::size_t>(length) + 1);
  data->dataLength = length;
}

void QxString::TrimRight(const char* set) {
  if (set == nullptr) return;
  Unshare(m_pchData);
  if (char* run = TrailingRun(m_pchData, [set](char c) { return std::strchr(set, c) != nullptr; })) {
    *run = '\0';
    Header(m_pchData)->dataLength = static_cast<int>(run - m_pchData);
  }
}

void QxString::TrimLeft(const char* set) {
  if (set == nullptr || *set == '\0') return;
  Unshare(m_pchData);
  const char* start = LeadingEnd(m_pchData, [set](char c) { return std::strchr(set, c) != nullptr; });
  if (start == m_pchData) return;
  QxStringData* data = Header(m_pchData);
  const int length = data->dataLength - static_cast<int>(start - m_pchData);
  std::memmove(m_pchData, start, static_cast<std::size_t>(length) + 1);
  data->dataLength = length;
}

int QxString::Insert(int index, char ch) {
  const char text[1] = {ch};
  QxStringData* data = Header(m_pchData);
  const int length = data->dataLength;
  index = std::clamp(index, 0, length);
  const int newLength = CheckedLength(static_cast<long long>(length) + 1);
  if (LoadCount(data) <= 1 && newLength <= data->allocLength) {
    std::memmove(m_pchData + index + 1, m_pchData + index, static_cast<std::size_t>(length - index) + 1);
    m_pchData[index] = ch;
    data->dataLength = newLength;
  } else {
    QxStringData* block = NewBlock(newLength);
    std::memcpy(block->data(), m_pchData, static_cast<std::size_t>(index));
    block->data()[index] = text[0];
    std::memcpy(block->data() + index + 1, m_pchData + index, static_cast<std::size_t>(length - index));
    ReleaseBlock(data);
    m_pchData = block->data();
  }
  return newLength;
}

int QxString::Insert(int index, const char* text) {
  index = std::max(index, 0);
  const int count = Length(text);
  QxStringData* data = Header(m_pchData);
  const int length = data->dataLength;
  if (count == 0) return length;
  index = std::min(index, length);
  std::string own;
  if (PointsInto(text, data)) {
    own.assign(text, static_cast<std::size_t>(count));
    text = own.c_str();
  }
  const int newLength = CheckedLength(static_cast<long long>(length) + count);
  const auto n = static_cast<std::size_t>(count);
  if (LoadCount(data) <= 1 && newLength <= data->allocLength) {
    std::memmove(m_pchData + index + count, m_pchData + index, static_cast<std::size_t>(length - index) + 1);
    std::memcpy(m_pchData + index, text, n);
    data->dataLength = newLength;
  } else {
    QxStringData* block = NewBlock(newLength);
    std::memcpy(block->data(), m_pchData, static_cast<std::size_t>(index));
    std::memcpy(block->data() + index, text, n);
    std::memcpy(block->data() + index + count, m_pchData + index, static_cast<std::size_t>(length - index));
    ReleaseBlock(data);
    m_pchData = block->data();
  }
  return newLength;
}

int QxString::Delete(int index, int count) {
  index = std::max(index, 0);
  const int length = Header(m_pchData)->dataLength;
  if (count > 0 && index < length) {
    Unshare(m_pchData);
    count = std::min(count, length - index);
    std::memmove(m_pchData + index, m_pchData + index + count, static_cast<std::size_t>(length - index - count) + 1);
    Header(m_pchData)->dataLength = length - count;
  }
  return length;
}

int QxString::Replace(char oldCh, char newCh) {
  if (oldCh == newCh) return 0;
  Unshare(m_pchData);
  const int length = Header(m_pchData)->dataLength;
  int replaced = 0;
  for (int i = 0; i < length; ++i) {
    if (m_pchData[i] == oldCh) {
      m_pchData[i] = newCh;
      ++replaced;
    }
  }
  return replaced;
}

int QxString::Remove(char ch) {
  Unshare(m_pchData);
  QxStringData* data = Header(m_pchData);
  const int length = data->dataLength;
  int kept = 0;
  for (int i = 0; i < length; ++i) {
    if (m_pchData[i] != ch) m_pchData[kept++] = m_pchData[i];
  }
  const int removed = length - kept;
  if (removed > 0) {
    m_pchData[kept] = '\0';
    data->dataLength = kept;
  }
  return removed;
}

namespace {

// Replaces every occurrence in the block behind `chars`; returns the count.
template <typename Finder>
int ReplaceAll(char*& chars, const Finder& find, std::size_t oldLength, std::string_view replacement) {
  QxStringData* data = reinterpret_cast<QxStringData*>(chars) - 1;
  const std::string_view text(chars, static_cast<std::size_t>(data->dataLength));
  // One search pass: the positions found are reused for the rewrite.
  Occurrences positions;
  for (std::size_t at = find(text, 0); at != std::string_view::npos; at = find(text, at + oldLength))
    positions.Add(at);
  if (positions.Count() == 0) return 0;
  const long long count = static_cast<long long>(positions.Count());
  const long long length = data->dataLength;
  const int resultLength = CheckedLength(
      length + (static_cast<long long>(replacement.size()) - static_cast<long long>(oldLength)) * count);
  const bool shared = LoadCount(data) > 1;
  if (shared || resultLength > data->allocLength) {
    // A shared block is first copied at its own length, then grown if the result needs more.
    const int capacity = shared ? std::max(resultLength, static_cast<int>(length)) : resultLength;
    QxStringData* block = NewBlock(capacity);
    block->dataLength = static_cast<int>(ReplaceInto(text, positions, oldLength, replacement, block->data()));
    ReleaseBlock(data);
    chars = block->data();
  } else if (resultLength <= length) {
    data->dataLength = static_cast<int>(ReplaceInto(text, positions, oldLength, replacement, chars));
  } else {
    const std::string source(text);
    data->dataLength = static_cast<int>(ReplaceInto(std::string_view(source), positions, oldLength, replacement, chars));
  }
  return static_cast<int>(count);
}

}  // namespace

int QxString::Replace(const char* oldText, const char* newText) {
  const int oldLength = Length(oldText);
  if (oldLength == 0) return 0;
  // Texts inside our own block would move or vanish while we rewrite it.
  std::string oldCopy, newCopy;
  if (PointsInto(oldText, Header(m_pchData))) oldText = (oldCopy = oldText).c_str();
  if (PointsInto(newText, Header(m_pchData))) newText = (newCopy = newText).c_str();
  const ExactFinder find{std::string_view(oldText, static_cast<std::size_t>(oldLength))};
  return ReplaceAll(m_pchData, find, static_cast<std::size_t>(oldLength), OrEmpty(newText));
}

int QxString::ReplaceNoCase(const char* oldText, const char* newText) {
  const int oldLength = Length(oldText);
  if (oldLength == 0) return 0;
  std::string newCopy;
  if (PointsInto(newText, Header(m_pchData))) newText = (newCopy = newText).c_str();
  NoCaseFinder find{std::string(oldText)};
  std::transform(find.upperNeedle.begin(), find.upperNeedle.end(), find.upperNeedle.begin(), Upper);
  return ReplaceAll(m_pchData, find, static_cast<std::size_t>(oldLength), OrEmpty(newText));
}

