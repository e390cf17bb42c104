// Caller-side fast paths of QxString's most frequent members: copying, destroying, reading
// the text and its length, and appending to a private block with room.
//
// These members are exported from libqx like every other, and a module built without this
// header keeps calling them there. Compilers of the GNU family (GCC, Clang, MinGW) also see
// the definitions below, marked gnu_inline: they are only ever inlined into the caller. A call
// that is not inlined, and the member's address, still go to the library's exported function.
// Each fast path does only what needs no decision of the library (sharing a counted block,
// storing into a private block that has room) and hands every other case to exported members,
// so that copy-before-write, exact-size blocks, locked buffers and the shared empty block
// keep their one implementation in the library. The counts are changed with the same atomic
// operations the library uses (see QxStringData.h).
//
// Included by QxString.h, whose class it needs. QxString.cpp defines QX_STRING_OUT_OF_LINE before including
// QxString.h: it defines these members as the exported functions.
#pragma once

#include "foundation/QxString.h"

#if defined(__GNUC__) && !defined(QX_STRING_OUT_OF_LINE)

#if defined(__clang__)
#pragma clang diagnostic push
// Clang reads gnu_inline without `extern` as "available externally", which is what is meant.
#pragma clang diagnostic ignored "-Wgnu-inline-cpp-without-extern"
#endif

#include <climits>
#include <cstddef>
#include <cstdint>

namespace qx_detail {

inline QxStringData* StringHeader(const char* chars) {
  return reinterpret_cast<QxStringData*>(const_cast<char*>(chars)) - 1;
}

// Appends `length` bytes of `text` to the text at `chars` when its block is private (or
// locked) and has room; false otherwise, with nothing changed. The shared empty block has no
// room. `text` may lie in the block itself: it is moved, and the block stays where it is.
inline bool AppendInPlace(char* chars, const char* text, std::size_t length) {
  QxStringData* data = StringHeader(chars);
  const int current = data->dataLength;
  if (length == 0 || length > static_cast<std::size_t>(data->allocLength - current) ||
      __atomic_load_n(&data->refCount, __ATOMIC_ACQUIRE) > 1) {
    return false;
  }
  __builtin_memmove(chars + current, text, length);
  data->dataLength = current + static_cast<int>(length);
  chars[data->dataLength] = '\0';
  return true;
}

}  // namespace qx_detail

#define QX_CALLER_INLINE [[gnu::gnu_inline]] inline

// Shares a counted block; a locked block and the shared empty block go through the library.
QX_CALLER_INLINE QxString::QxString(const QxString& source) : m_pchData(source.m_pchData) {
  std::int32_t* count = &qx_detail::StringHeader(m_pchData)->refCount;
  if (__atomic_load_n(count, __ATOMIC_ACQUIRE) >= 1) {
    __atomic_fetch_add(count, 1, __ATOMIC_RELAXED);
  } else {
    Init();
    *this = source;
  }
}

// Drops one of several references. A sole holder (who frees the block), a locked block and
// the shared empty block (which must never be written) go through the library; so does a
// holder that finds itself the last after all, once it has put its count back: nobody else
// sees the block any more.
QX_CALLER_INLINE QxString::~QxString() {
  QxStringData* data = qx_detail::StringHeader(m_pchData);
  if (__atomic_load_n(&data->refCount, __ATOMIC_RELAXED) > 1) {
    if (__atomic_sub_fetch(&data->refCount, 1, __ATOMIC_ACQ_REL) != 0) return;
    __atomic_store_n(&data->refCount, 1, __ATOMIC_RELAXED);
  }
  Release(data);
}

QX_CALLER_INLINE QxString::operator const char*() const { return m_pchData; }

QX_CALLER_INLINE int QxString::GetLength() const {
  return qx_detail::StringHeader(m_pchData)->dataLength;
}

QX_CALLER_INLINE bool QxString::IsEmpty() const { return GetLength() == 0; }

QX_CALLER_INLINE const QxString& QxString::operator+=(const char* text) {
  if (text == nullptr) return *this;
  const std::size_t length = __builtin_strlen(text);
  if (!qx_detail::AppendInPlace(m_pchData, text, length)) {
    // The length is measured once; SafeStrlen only for the one that no block can hold.
    ConcatInPlace(length <= INT_MAX ? static_cast<int>(length) : SafeStrlen(text), text);
  }
  return *this;
}

QX_CALLER_INLINE const QxString& QxString::operator+=(char ch) {
  if (!qx_detail::AppendInPlace(m_pchData, &ch, 1)) ConcatInPlace(1, &ch);
  return *this;
}

QX_CALLER_INLINE const QxString& QxString::operator+=(const QxString& text) {
  const int length = text.GetLength();
  if (!qx_detail::AppendInPlace(m_pchData, text.m_pchData, static_cast<std::size_t>(length))) ConcatInPlace(length, text.m_pchData);
  return *this;
}

#undef QX_CALLER_INLINE

#if defined(__clang__)
#pragma clang diagnostic pop
#endif

#endif
