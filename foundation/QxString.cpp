// QxString: block management, copy-before-write, searching, editing and formatting.
#include "foundation/QxString.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "platform/codepage.h"
#include "platform/message_format.h"

namespace {

// The shared empty block lives in read-only memory: a write to it faults at once instead of
// corrupting every empty string of the process.
struct EmptyBlock {
  QxStringData header;
  char text[1];
};
static_assert(offsetof(EmptyBlock, text) == sizeof(QxStringData));
constexpr EmptyBlock kEmptyBlock = {{-2, 0, 0}, {'\0'}};

QxStringData* EmptyData() { return const_cast<QxStringData*>(&kEmptyBlock.header); }
char* EmptyChars() { return const_cast<char*>(kEmptyBlock.text); }
bool IsEmptyBlock(const QxStringData* data) { return data == &kEmptyBlock.header; }

using Count = std::atomic_ref<std::int32_t>;

int LoadCount(QxStringData* data) {
  if (IsEmptyBlock(data)) return -2;
  return Count(data->refCount).load(std::memory_order_acquire);
}

void StoreCount(QxStringData* data, int value) {
  Count(data->refCount).store(value, std::memory_order_release);
}

// Lengths are int; anything larger cannot be a block and counts as an allocation failure.
int CheckedLength(long long length) {
  if (length > INT_MAX) throw std::bad_alloc();
  return static_cast<int>(length < 0 ? 0 : length);
}

// A new owned block of capacity and length `length`, terminated, even for 0: a buffer the
// caller may write its terminating zero into.
QxStringData* NewWritableBlock(int length) {
  void* memory = ::operator new(sizeof(QxStringData) + static_cast<std::size_t>(length) + 1);
  auto* data = new (memory) QxStringData{1, length, length};
  data->data()[length] = '\0';
  return data;
}

// A new owned block of capacity and length `length`, terminated; the empty block for 0.
QxStringData* NewBlock(int length) {
  if (length <= 0) return EmptyData();
  return NewWritableBlock(length);
}

bool PointsInto(const char* p, QxStringData* data) {
  if (p == nullptr || IsEmptyBlock(data)) return false;
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  const auto begin = reinterpret_cast<std::uintptr_t>(data->data());
  return at >= begin && at <= begin + static_cast<std::uintptr_t>(data->allocLength);
}

// The header in front of a string's characters. Members use these helpers rather than the
// exported members so that the compiler can inline them (exported functions may be
// interposed and are never inlined).
QxStringData* Header(const char* chars) {
  return reinterpret_cast<QxStringData*>(const_cast<char*>(chars)) - 1;
}

void ReleaseBlock(QxStringData* data) {
  if (IsEmptyBlock(data)) return;
  if (Count(data->refCount).fetch_sub(1, std::memory_order_acq_rel) - 1 <= 0) ::operator delete(data);
}

// Releases the block of `chars` and points it at the shared empty block.
void ReleaseChars(char*& chars) {
  QxStringData* data = Header(chars);
  if (IsEmptyBlock(data)) return;
  ReleaseBlock(data);
  chars = EmptyChars();
}

// Copy-before-write: a shared block's holder gets a private block of exactly the length.
void Unshare(char*& chars) {
  QxStringData* data = Header(chars);
  if (LoadCount(data) <= 1) return;
  // Copy before letting go: once our reference is dropped another holder may free the block.
  QxStringData* copy = NewBlock(data->dataLength);
  if (data->dataLength > 0) std::memcpy(copy->data(), chars, static_cast<std::size_t>(data->dataLength));
  ReleaseBlock(data);
  chars = copy->data();
}

// A new block holding both texts one after the other; the empty block when both are empty.
QxStringData* JoinedBlock(int length1, const char* text1, int length2, const char* text2) {
  length1 = std::max(length1, 0);
  length2 = std::max(length2, 0);
  QxStringData* block = NewBlock(CheckedLength(static_cast<long long>(length1) + length2));
  if (length1 > 0) std::memcpy(block->data(), text1, static_cast<std::size_t>(length1));
  if (length2 > 0) std::memcpy(block->data() + length1, text2, static_cast<std::size_t>(length2));
  return block;
}

// Appends in place when the block is private with room, else moves to an exact new block
// (allocated and filled before the old one goes, so `text` may lie in it).
void Append(char*& chars, int length, const char* text) {
  if (length <= 0 || text == nullptr) return;
  QxStringData* data = Header(chars);
  const int current = data->dataLength;
  if (static_cast<long long>(current) + length <= data->allocLength && LoadCount(data) <= 1) {
    std::memmove(chars + current, text, static_cast<std::size_t>(length));
    data->dataLength = current + length;
    chars[current + length] = '\0';
  } else {
    QxStringData* block = JoinedBlock(current, chars, length, text);
    ReleaseBlock(data);
    chars = block->data();
  }
}

int Length(const char* text) {
  return text == nullptr ? 0 : CheckedLength(static_cast<long long>(std::strlen(text)));
}

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }
char Upper(char c) { return static_cast<char>(std::toupper(Byte(c))); }
char Lower(char c) { return static_cast<char>(std::tolower(Byte(c))); }

int Sign(int value) { return (value > 0) - (value < 0); }

const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

// --- Format estimate ---------------------------------------------------------------------

struct FormatEstimate {
  long long length = 0;
  bool textInBlock = false;  // a %s argument points into the target's block
  bool argumentsLost = false;  // an unknown conversion: later arguments were not examined
};

enum class Size { kDefault, kChar, kShort, kLong, kLongLong, kIntMax, kSize, kPtrDiff,
                  kLongDouble, kWide, kNarrow };

// Width and precision digits saturate here; nothing larger can be formatted anyway.
constexpr long long kFieldLimit = INT_MAX;

long long ReadNumber(const char*& f) {
  long long n = 0;
  while (*f >= '0' && *f <= '9') {
    n = std::min(kFieldLimit, n * 10 + (*f - '0'));
    ++f;
  }
  return n;
}

Size ReadSize(const char*& f) {
  switch (*f) {
    case 'h':
      if (f[1] == 'h') { f += 2; return Size::kChar; }
      ++f;
      return Size::kShort;
    case 'l':
      if (f[1] == 'l') { f += 2; return Size::kLongLong; }
      ++f;
      return Size::kLong;
    case 'q': ++f; return Size::kLongLong;
    case 'j': ++f; return Size::kIntMax;
    case 'z': ++f; return Size::kSize;
    case 't': ++f; return Size::kPtrDiff;
    case 'L': ++f; return Size::kLongDouble;
    case 'w': ++f; return Size::kWide;
    case 'I':
      if (f[1] == '6' && f[2] == '4') { f += 3; return Size::kLongLong; }
      if (f[1] == '3' && f[2] == '2') { f += 3; return Size::kDefault; }
      ++f;
      return Size::kSize;
    default:
      return Size::kDefault;
  }
}

void TakeInteger(Size size, va_list* ap) {
  switch (size) {
    case Size::kLong: (void)va_arg(*ap, long); break;
    case Size::kLongLong: (void)va_arg(*ap, long long); break;
    case Size::kIntMax: (void)va_arg(*ap, std::intmax_t); break;
    case Size::kSize: (void)va_arg(*ap, std::size_t); break;
    case Size::kPtrDiff: (void)va_arg(*ap, std::ptrdiff_t); break;
    default: (void)va_arg(*ap, int); break;
  }
}

// One scan of the format: the reserve for the output, taking every argument with the type
// the conversion gives it so that later text arguments are read as texts. After a conversion
// it does not know, it stops taking arguments (it cannot tell how many that one used).
FormatEstimate EstimateFormat(const char* f, va_list* ap, QxStringData* block) {
  FormatEstimate r;
  while (*f != '\0') {
    if (*f != '%') {
      ++r.length;
      ++f;
      continue;
    }
    ++f;
    if (*f == '%') {
      ++r.length;
      ++f;
      continue;
    }
    for (;; ++f) {
      if (*f == '#') {
        r.length += 2;
      } else if (*f != '-' && *f != '+' && *f != '0' && *f != ' ' && *f != '\'') {
        break;
      }
    }
    long long width = 0;
    if (*f == '*') {
      ++f;
      if (!r.argumentsLost) width = va_arg(*ap, int);
    } else {
      width = ReadNumber(f);
    }
    long long precision = 0;
    bool hasPrecision = false;
    if (*f == '.') {
      ++f;
      hasPrecision = true;
      if (*f == '*') {
        ++f;
        if (!r.argumentsLost) precision = va_arg(*ap, int);
        // printf ignores a negative precision; left as it was it would shrink the reserve.
        if (precision < 0) {
          precision = 0;
          hasPrecision = false;
        }
      } else {
        precision = ReadNumber(f);
      }
    }
    const Size size = ReadSize(f);
    const char conversion = *f;
    if (conversion == '\0') break;
    ++f;
    long long item = 0;
    const bool wide = size == Size::kLong || size == Size::kWide;
    switch (conversion) {
      case 'c':
      case 'C':
      case 's':
      case 'S': {
        if (conversion == 'c' || conversion == 'C') {
          if (!r.argumentsLost) {
            if (wide || conversion == 'C') (void)va_arg(*ap, wint_t); else (void)va_arg(*ap, int);
          }
          item = 2;
        } else if (!r.argumentsLost) {
          if (wide || conversion == 'S') {
            (void)va_arg(*ap, const wchar_t*);  // multibyte length unknown: the output is measured
          } else {
            const char* text = va_arg(*ap, const char*);
            if (text == nullptr) {
              item = 6;
            } else {
              if (PointsInto(text, block)) r.textInBlock = true;
              long long length = 0;
              if (hasPrecision) {
                // With a precision the argument need not be terminated: never read past it.
                const void* zero = std::memchr(text, 0, static_cast<std::size_t>(precision));
                length = zero != nullptr ? static_cast<const char*>(zero) - text : precision;
              } else {
                length = static_cast<long long>(std::strlen(text));
              }
              item = std::max(length, 1LL);
            }
          }
        }
        item = std::max(item, width);
        if (precision != 0 && item >= precision) item = precision;
        break;
      }
      case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
        if (!r.argumentsLost) {
          if (size == Size::kLongDouble) (void)va_arg(*ap, long double); else (void)va_arg(*ap, double);
        }
        item = width + precision >= 128 ? width + precision : 128;
        break;
      case 'd': case 'i': case 'o': case 'u': case 'x': case 'X': case 'b': case 'B':
        if (!r.argumentsLost) TakeInteger(size, ap);
        item = width + precision >= 32 ? width + precision : 32;
        break;
      case 'p':
        if (!r.argumentsLost) (void)va_arg(*ap, void*);
        item = width + precision >= 32 ? width + precision : 32;
        break;
      case 'n':
        if (!r.argumentsLost) (void)va_arg(*ap, void*);
        break;
      case 'm':  // the C library's error text: no argument
        break;
      default:
        r.argumentsLost = true;
        break;
    }
    r.length = std::min(kFieldLimit * 4, r.length + std::max(item, 0LL));
  }
  return r;
}

// --- Replace -----------------------------------------------------------------------------

struct ExactFinder {
  std::string_view needle;
  std::size_t operator()(std::string_view text, std::size_t from) const { return text.find(needle, from); }
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

// Writes `source` with the `oldLength` bytes at each of `positions` replaced into `target`
// and terminates it. `target` may be `source` itself when the replacement is not longer than
// what it replaces: writing then never overtakes reading.
std::size_t ReplaceInto(std::string_view source, const std::vector<std::size_t>& positions,
                        std::size_t oldLength, std::string_view replacement, char* target) {
  std::size_t read = 0, written = 0;
  for (const std::size_t at : positions) {
    std::memmove(target + written, source.data() + read, at - read);
    written += at - read;
    std::memcpy(target + written, replacement.data(), replacement.size());
    written += replacement.size();
    read = at + oldLength;
  }
  std::memmove(target + written, source.data() + read, source.size() - read);
  written += source.size() - read;
  target[written] = '\0';
  return written;
}

}  // namespace

// --- Block management --------------------------------------------------------------------

QxStringData* QxString::GetData() const { return Header(m_pchData); }

void QxString::Init() { m_pchData = EmptyChars(); }

int QxString::SafeStrlen(const char* text) { return Length(text); }

void QxString::AllocBuffer(int length) { m_pchData = NewBlock(length)->data(); }

void QxString::Release(QxStringData* data) {
  if (data != nullptr) ReleaseBlock(data);
}

void QxString::Release() { ReleaseChars(m_pchData); }

void QxString::CopyBeforeWrite() { Unshare(m_pchData); }

void QxString::AllocBeforeWrite(int length) {
  QxStringData* data = Header(m_pchData);
  if (LoadCount(data) > 1 || length > data->allocLength) {
    ReleaseChars(m_pchData);
    AllocBuffer(length);
  }
}

void QxString::AssignCopy(int length, const char* text) {
  if (length < 0 || text == nullptr) length = 0;
  QxStringData* data = Header(m_pchData);
  if (length > 0 && PointsInto(text, data) && LoadCount(data) > 1) {
    // The text lives in the block we are about to leave: copy it out first.
    QxStringData* copy = NewBlock(length);
    std::memcpy(copy->data(), text, static_cast<std::size_t>(length));
    ReleaseBlock(data);
    m_pchData = copy->data();
    return;
  }
  AllocBeforeWrite(length);
  data = Header(m_pchData);
  if (IsEmptyBlock(data)) return;
  if (length > 0) std::memmove(m_pchData, text, static_cast<std::size_t>(length));  // text may be null
  data->dataLength = length;
  m_pchData[length] = '\0';
}

void QxString::AllocCopy(QxString& dest, int copyLength, int copyIndex, int extraLength) const {
  const int total = CheckedLength(static_cast<long long>(copyLength) + extraLength);
  QxStringData* block = NewBlock(total);
  if (copyLength > 0) std::memcpy(block->data(), m_pchData + copyIndex, static_cast<std::size_t>(copyLength));
  // dest may be this string: its old block goes only after the copy.
  ReleaseBlock(Header(dest.m_pchData));
  dest.m_pchData = block->data();
}

void QxString::ConcatCopy(int length1, const char* text1, int length2, const char* text2) {
  if (std::max(length1, 0) + static_cast<long long>(std::max(length2, 0)) == 0) return;
  QxStringData* block = JoinedBlock(length1, text1, length2, text2);
  // The texts may be this string's own: release only after copying them.
  ReleaseBlock(Header(m_pchData));
  m_pchData = block->data();
}

void QxString::ConcatInPlace(int length, const char* text) { Append(m_pchData, length, text); }

// --- Construction and assignment ---------------------------------------------------------

QxString::QxString() { Init(); }

QxString::QxString(const QxString& source) {
  QxStringData* data = Header(source.m_pchData);
  if (LoadCount(data) >= 0) {
    Count(data->refCount).fetch_add(1, std::memory_order_relaxed);
    m_pchData = source.m_pchData;
  } else {
    Init();
    source.AllocCopy(*this, data->dataLength, 0, 0);
  }
}

QxString::QxString(const char* text) {
  Init();
  const int length = Length(text);
  if (length > 0) {
    AllocBuffer(length);
    std::memcpy(m_pchData, text, static_cast<std::size_t>(length));
  }
}

QxString::QxString(const unsigned char* text) : QxString(reinterpret_cast<const char*>(text)) {}

QxString::QxString(const char* chars, int length) {
  Init();
  if (length > 0 && chars != nullptr) {
    AllocBuffer(length);
    std::memcpy(m_pchData, chars, static_cast<std::size_t>(length));
  }
}

QxString::QxString(char ch, int repeat) {
  Init();
  if (repeat > 0) {
    AllocBuffer(repeat);
    std::memset(m_pchData, ch, static_cast<std::size_t>(repeat));
  }
}

QxString::QxString(const std::string& text) : QxString(text.c_str()) {}

QxString::~QxString() { ReleaseBlock(Header(m_pchData)); }

const QxString& QxString::operator=(const QxString& source) {
  if (m_pchData == source.m_pchData) return *this;
  QxStringData* mine = Header(m_pchData);
  QxStringData* theirs = Header(source.m_pchData);
  if (LoadCount(mine) == -1 || LoadCount(theirs) == -1) {
    AssignCopy(theirs->dataLength, source.m_pchData);
  } else {
    if (!IsEmptyBlock(theirs)) Count(theirs->refCount).fetch_add(1, std::memory_order_relaxed);
    ReleaseBlock(mine);
    m_pchData = source.m_pchData;
  }
  return *this;
}

const QxString& QxString::operator=(const char* text) {
  AssignCopy(Length(text), text);
  return *this;
}

const QxString& QxString::operator=(const unsigned char* text) {
  return *this = reinterpret_cast<const char*>(text);
}

const QxString& QxString::operator=(char ch) {
  AssignCopy(1, &ch);
  return *this;
}

const QxString& QxString::operator=(const std::string& text) { return *this = text.c_str(); }

// --- Access ------------------------------------------------------------------------------

int QxString::GetLength() const { return Header(m_pchData)->dataLength; }
int QxString::GetAllocLength() const { return Header(m_pchData)->allocLength; }
bool QxString::IsEmpty() const { return Header(m_pchData)->dataLength == 0; }
char QxString::GetAt(int index) const { return m_pchData[index]; }
char QxString::operator[](int index) const { return m_pchData[index]; }

void QxString::SetAt(int index, char ch) {
  if (index < 0 || index >= Header(m_pchData)->dataLength) return;
  Unshare(m_pchData);
  m_pchData[index] = ch;
}

QxString::operator const char*() const { return m_pchData; }

QxString::operator const unsigned short*() {
  const int length = Header(m_pchData)->dataLength;
  // The 16-bit text starts at an even offset behind the text's zero; 3 x that offset holds
  // the text, its zero and one 16-bit unit per character with a 16-bit zero.
  long long offset = static_cast<long long>(length) + 1;
  offset += offset & 1;
  GetBuffer(CheckedLength(offset * 3));
  const std::size_t narrow = std::strlen(m_pchData);
  std::u16string wide;
  (void)platform::ToUtf16(std::string_view(m_pchData, narrow), platform::kCodePageAnsi, wide);
  const std::size_t room = (static_cast<std::size_t>(Header(m_pchData)->allocLength) + 1 - static_cast<std::size_t>(offset)) / 2;
  const std::size_t units = std::min(wide.size(), room - 1);
  auto* target = reinterpret_cast<unsigned short*>(m_pchData + offset);
  for (std::size_t i = 0; i < units; ++i) target[i] = static_cast<unsigned short>(wide[i]);
  target[units] = 0;
  // Keep the length: measuring to the first zero would cut a text that holds zero bytes.
  ReleaseBuffer(length);
  return target;
}

void QxString::Empty() {
  QxStringData* data = Header(m_pchData);
  if (data->dataLength == 0) return;
  if (LoadCount(data) == -1) {
    AssignCopy(0, "");
  } else {
    ReleaseChars(m_pchData);
  }
}

const QxString& QxGetEmptyString() {
  static const QxString empty;
  return empty;
}

// --- Comparison --------------------------------------------------------------------------

int QxString::Compare(const char* text) const { return Sign(std::strcmp(m_pchData, OrEmpty(text))); }

int QxString::CompareNoCase(const char* text) const {
  const unsigned char* a = reinterpret_cast<const unsigned char*>(m_pchData);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(OrEmpty(text));
  for (;; ++a, ++b) {
    const int ca = std::tolower(*a);
    const int cb = std::tolower(*b);
    if (ca != cb || ca == 0) return ca - cb;
  }
}

int QxString::Collate(const char* text) const { return std::strcoll(m_pchData, OrEmpty(text)); }

int QxString::CollateNoCase(const char* text) const {
  std::string a(m_pchData), b(OrEmpty(text));
  std::transform(a.begin(), a.end(), a.begin(), Lower);
  std::transform(b.begin(), b.end(), b.begin(), Lower);
  return std::strcoll(a.c_str(), b.c_str());
}

bool operator==(const QxString& l, const QxString& r) { return l.Compare(r) == 0; }
bool operator==(const QxString& l, const char* r) { return l.Compare(r) == 0; }
bool operator==(const char* l, const QxString& r) { return r.Compare(l) == 0; }
bool operator!=(const QxString& l, const QxString& r) { return l.Compare(r) != 0; }
bool operator!=(const QxString& l, const char* r) { return l.Compare(r) != 0; }
bool operator!=(const char* l, const QxString& r) { return r.Compare(l) != 0; }
bool operator<(const QxString& l, const QxString& r) { return l.Compare(r) < 0; }
bool operator<(const QxString& l, const char* r) { return l.Compare(r) < 0; }
bool operator<(const char* l, const QxString& r) { return r.Compare(l) > 0; }
bool operator>(const QxString& l, const QxString& r) { return l.Compare(r) > 0; }
bool operator>(const QxString& l, const char* r) { return l.Compare(r) > 0; }
bool operator>(const char* l, const QxString& r) { return r.Compare(l) < 0; }
bool operator<=(const QxString& l, const QxString& r) { return l.Compare(r) <= 0; }
bool operator<=(const QxString& l, const char* r) { return l.Compare(r) <= 0; }
bool operator<=(const char* l, const QxString& r) { return r.Compare(l) >= 0; }
bool operator>=(const QxString& l, const QxString& r) { return l.Compare(r) >= 0; }
bool operator>=(const QxString& l, const char* r) { return l.Compare(r) >= 0; }
bool operator>=(const char* l, const QxString& r) { return r.Compare(l) <= 0; }

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
  std::vector<std::size_t> positions;
  positions.reserve(std::min<std::size_t>(64, text.size() / oldLength));
  for (std::size_t at = find(text, 0); at != std::string_view::npos; at = find(text, at + oldLength))
    positions.push_back(at);
  if (positions.empty()) return 0;
  const long long count = static_cast<long long>(positions.size());
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

// --- Buffer access -----------------------------------------------------------------------

char* QxString::GetBuffer(int minLength) {
  minLength = std::max(minLength, 0);
  QxStringData* data = Header(m_pchData);
  // The caller may write a zero even into a buffer of 0 characters, and the shared empty
  // block is read-only: an empty string gets a block of its own here too.
  if (LoadCount(data) > 1 || minLength > data->allocLength || IsEmptyBlock(data)) {
    const int length = data->dataLength;
    const int capacity = std::max(minLength, length);
    QxStringData* block = NewWritableBlock(capacity);
    std::memcpy(block->data(), m_pchData, static_cast<std::size_t>(length) + 1);
    block->dataLength = length;
    ReleaseBlock(data);
    m_pchData = block->data();
  }
  return m_pchData;
}

void QxString::ReleaseBuffer(int newLength) {
  Unshare(m_pchData);
  QxStringData* data = Header(m_pchData);
  if (IsEmptyBlock(data)) return;
  if (newLength < 0) {
    // A caller that wrote no zero still gets a length within the buffer.
    const void* zero = std::memchr(m_pchData, 0, static_cast<std::size_t>(data->allocLength));
    newLength = zero != nullptr ? static_cast<int>(static_cast<const char*>(zero) - m_pchData) : data->allocLength;
  }
  newLength = std::min(newLength, data->allocLength);
  data->dataLength = newLength;
  m_pchData[newLength] = '\0';
}

char* QxString::GetBufferSetLength(int length) {
  length = std::max(length, 0);
  GetBuffer(length);
  QxStringData* data = Header(m_pchData);
  if (!IsEmptyBlock(data)) {
    data->dataLength = length;
    m_pchData[length] = '\0';
  }
  return m_pchData;
}

void QxString::FreeExtra() {
  QxStringData* data = Header(m_pchData);
  if (data->dataLength == data->allocLength) return;
  QxStringData* block = NewBlock(data->dataLength);
  if (data->dataLength > 0) std::memcpy(block->data(), m_pchData, static_cast<std::size_t>(data->dataLength));
  ReleaseBlock(data);
  m_pchData = block->data();
}

char* QxString::LockBuffer() {
  // An empty string stays on the shared empty block, which is never marked.
  if (IsEmptyBlock(Header(m_pchData))) return m_pchData;
  char* chars = GetBuffer(0);
  QxStringData* data = Header(m_pchData);
  if (!IsEmptyBlock(data)) StoreCount(data, -1);
  return chars;
}

void QxString::UnlockBuffer() {
  QxStringData* data = Header(m_pchData);
  if (LoadCount(data) == -1) StoreCount(data, 1);
}

// --- Formatting --------------------------------------------------------------------------

void QxString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    FormatV(format, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
}

namespace {

// vsnprintf on a copy of `args`, so the caller's list can be used again.
int PrintInto(char* buffer, std::size_t size, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(buffer, size, format, copy);
  va_end(copy);
  return n;
}

}  // namespace

void QxString::FormatV(const char* format, va_list args) {
  if (format == nullptr) format = "";
  va_list scan;
  va_copy(scan, args);
  const FormatEstimate estimate = EstimateFormat(format, &scan, Header(m_pchData));
  va_end(scan);
  const bool reserveKnown = estimate.length <= INT_MAX;
  const int reserve = reserveKnown ? static_cast<int>(estimate.length) : 0;
  // When the format or a text argument lies in our own block, or the scan could not see all
  // arguments, the text is built in a new block: our buffer must stay readable meanwhile.
  const bool ownBuffer = !estimate.textInBlock && !estimate.argumentsLost && !PointsInto(format, Header(m_pchData));
  if (ownBuffer && reserveKnown) {
    char* buffer = GetBuffer(reserve);
    QxStringData* data = Header(m_pchData);
    if (!IsEmptyBlock(data)) {
      const int n = PrintInto(buffer, static_cast<std::size_t>(data->allocLength) + 1, format, args);
      if (n >= 0 && n <= data->allocLength) {
        ReleaseBuffer(-1);
        return;
      }
      if (n < 0) {
        ReleaseBuffer(0);  // vsnprintf may have left part of a text behind
        return;
      }
      // The estimate fell short: vsnprintf stopped at the capacity and told the full length.
      buffer = GetBuffer(n);
      (void)PrintInto(buffer, static_cast<std::size_t>(n) + 1, format, args);
      ReleaseBuffer(-1);
      return;
    }
  }
  const int n = PrintInto(nullptr, 0, format, args);
  if (n < 0) {
    Empty();
    return;
  }
  QxStringData* block = NewBlock(std::max(n, reserveKnown ? reserve : 0));
  if (!IsEmptyBlock(block)) {
    (void)PrintInto(block->data(), static_cast<std::size_t>(block->allocLength) + 1, format, args);
    const void* zero = std::memchr(block->data(), 0, static_cast<std::size_t>(n) + 1);
    block->dataLength = static_cast<int>(static_cast<const char*>(zero) - block->data());
  }
  ReleaseBlock(Header(m_pchData));
  m_pchData = block->data();
}

void QxString::FormatMessageA(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text;
  const bool ok = platform::FormatMessageFromString(format, args, text);
  va_end(args);
  if (!ok || text.empty()) throw std::runtime_error("FormatMessageA: invalid format or empty message");
  *this = text.c_str();
}

// --- Concatenation -----------------------------------------------------------------------

const QxString& QxString::operator+=(const QxString& text) {
  Append(m_pchData, Header(text.m_pchData)->dataLength, text.m_pchData);
  return *this;
}

const QxString& QxString::operator+=(const char* text) {
  Append(m_pchData, Length(text), text);
  return *this;
}

const QxString& QxString::operator+=(char ch) {
  Append(m_pchData, 1, &ch);
  return *this;
}

QxString operator+(const QxString& left, const QxString& right) {
  QxString result;
  result.m_pchData = JoinedBlock(Header(left.m_pchData)->dataLength, left.m_pchData, Header(right.m_pchData)->dataLength, right.m_pchData)->data();
  return result;
}

QxString operator+(const QxString& left, const char* right) {
  QxString result;
  result.m_pchData = JoinedBlock(Header(left.m_pchData)->dataLength, left.m_pchData, Length(right), right)->data();
  return result;
}

QxString operator+(const char* left, const QxString& right) {
  QxString result;
  result.m_pchData = JoinedBlock(Length(left), left, Header(right.m_pchData)->dataLength, right.m_pchData)->data();
  return result;
}

QxString operator+(const QxString& left, char right) {
  QxString result;
  result.m_pchData = JoinedBlock(Header(left.m_pchData)->dataLength, left.m_pchData, 1, &right)->data();
  return result;
}

QxString operator+(char left, const QxString& right) {
  QxString result;
  result.m_pchData = JoinedBlock(1, &left, Header(right.m_pchData)->dataLength, right.m_pchData)->data();
  return result;
}
