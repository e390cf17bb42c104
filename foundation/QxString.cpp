// QxString: blocks and sharing, construction and assignment, access, comparison, buffer
// access and concatenation. Searching and editing are in QxStringEdit.cpp, formatting in
// QxStringFormat.cpp.
//
// This file defines the exported functions of the members that QxStringInline.h also offers
// to callers for inlining, so it must not see those definitions.
#define QX_STRING_OUT_OF_LINE
#include "foundation/QxString.h"

#include <string_view>

#include "foundation/QxStringBlocks.h"
#include "platform/codepage.h"

using namespace qxstring;

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

namespace {

// Points `target` at a copy of the text of a locked or empty block: out of line, so that
// sharing (the usual case) needs no stack frame.
[[gnu::noinline]] void CopyText(char** target, const char* chars) {
  const int length = Header(chars)->dataLength;
  QxStringData* block = NewBlock(length);
  if (length > 0) std::memcpy(block->data(), chars, static_cast<std::size_t>(length));
  *target = block->data();
}

}  // namespace

QxString::QxString(const QxString& source) {
  char* const chars = source.m_pchData;
  QxStringData* data = Header(chars);
  if (LoadCount(data) >= 0) {
    Count(data->refCount).fetch_add(1, std::memory_order_relaxed);
    m_pchData = chars;
  } else {
    CopyText(&m_pchData, chars);
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
