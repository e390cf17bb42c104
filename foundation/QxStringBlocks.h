// Internals of QxString shared by its source files: the shared empty block, block
// allocation and release, copy-before-write and appending. Inline so that the members,
// which are exported and therefore never inlined themselves, stay as fast as one file was.
// Not a public header.
#pragma once

#include <algorithm>
#include <atomic>
#include <cctype>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "foundation/QxStringData.h"

namespace qxstring {

// The shared empty block lives in read-only memory: a write to it faults at once instead of
// corrupting every empty string of the process.
struct EmptyBlock {
  QxStringData header;
  char text[1];
};
static_assert(offsetof(EmptyBlock, text) == sizeof(QxStringData));
inline constexpr EmptyBlock kEmptyBlock = {{-2, 0, 0}, {'\0'}};

inline QxStringData* EmptyData() { return const_cast<QxStringData*>(&kEmptyBlock.header); }
inline char* EmptyChars() { return const_cast<char*>(kEmptyBlock.text); }
inline bool IsEmptyBlock(const QxStringData* data) { return data == &kEmptyBlock.header; }

using Count = std::atomic_ref<std::int32_t>;

inline int LoadCount(QxStringData* data) {
  if (IsEmptyBlock(data)) return -2;
  return Count(data->refCount).load(std::memory_order_acquire);
}

inline void StoreCount(QxStringData* data, int value) {
  Count(data->refCount).store(value, std::memory_order_release);
}

// Lengths are int; anything larger cannot be a block and counts as an allocation failure.
inline int CheckedLength(long long length) {
  if (length > INT_MAX) throw std::bad_alloc();
  return static_cast<int>(length < 0 ? 0 : length);
}

// A new owned block of capacity and length `length`, terminated, even for 0: a buffer the
// caller may write its terminating zero into.
inline QxStringData* NewWritableBlock(int length) {
  void* memory = ::operator new(sizeof(QxStringData) + static_cast<std::size_t>(length) + 1);
  auto* data = new (memory) QxStringData{1, length, length};
  data->data()[length] = '\0';
  return data;
}

// A new owned block of capacity and length `length`, terminated; the empty block for 0.
inline QxStringData* NewBlock(int length) {
  if (length <= 0) return EmptyData();
  return NewWritableBlock(length);
}

inline bool PointsInto(const char* p, QxStringData* data) {
  if (p == nullptr || IsEmptyBlock(data)) return false;
  const auto at = reinterpret_cast<std::uintptr_t>(p);
  const auto begin = reinterpret_cast<std::uintptr_t>(data->data());
  return at >= begin && at <= begin + static_cast<std::uintptr_t>(data->allocLength);
}

// The header in front of a string's characters. Members use these helpers rather than the
// exported members so that the compiler can inline them (exported functions may be
// interposed and are never inlined).
inline QxStringData* Header(const char* chars) {
  return reinterpret_cast<QxStringData*>(const_cast<char*>(chars)) - 1;
}

inline void ReleaseBlock(QxStringData* data) {
  if (IsEmptyBlock(data)) return;
  if (Count(data->refCount).fetch_sub(1, std::memory_order_acq_rel) - 1 <= 0) ::operator delete(data);
}

// Releases the block of `chars` and points it at the shared empty block.
inline void ReleaseChars(char*& chars) {
  QxStringData* data = Header(chars);
  if (IsEmptyBlock(data)) return;
  ReleaseBlock(data);
  chars = EmptyChars();
}

// Copy-before-write: a shared block's holder gets a private block of exactly the length.
inline void Unshare(char*& chars) {
  QxStringData* data = Header(chars);
  if (LoadCount(data) <= 1) return;
  // Copy before letting go: once our reference is dropped another holder may free the block.
  QxStringData* copy = NewBlock(data->dataLength);
  if (data->dataLength > 0) std::memcpy(copy->data(), chars, static_cast<std::size_t>(data->dataLength));
  ReleaseBlock(data);
  chars = copy->data();
}

// A new block holding both texts one after the other; the empty block when both are empty.
inline QxStringData* JoinedBlock(int length1, const char* text1, int length2, const char* text2) {
  length1 = std::max(length1, 0);
  length2 = std::max(length2, 0);
  QxStringData* block = NewBlock(CheckedLength(static_cast<long long>(length1) + length2));
  if (length1 > 0) std::memcpy(block->data(), text1, static_cast<std::size_t>(length1));
  if (length2 > 0) std::memcpy(block->data() + length1, text2, static_cast<std::size_t>(length2));
  return block;
}

// memmove of 1 to 16 bytes without a library call (the pieces appended and replaced are mostly
// short): every byte is loaded before any is stored, so the ranges may overlap.
inline void MoveShort(char* target, const char* source, std::size_t length) {
  if (length >= 8) {
    std::uint64_t head, tail;
    std::memcpy(&head, source, 8);
    std::memcpy(&tail, source + length - 8, 8);
    std::memcpy(target, &head, 8);
    std::memcpy(target + length - 8, &tail, 8);
  } else if (length >= 4) {
    std::uint32_t head, tail;
    std::memcpy(&head, source, 4);
    std::memcpy(&tail, source + length - 4, 4);
    std::memcpy(target, &head, 4);
    std::memcpy(target + length - 4, &tail, 4);
  } else {
    const char first = source[0], middle = source[length / 2], last = source[length - 1];
    target[0] = first;
    target[length / 2] = middle;
    target[length - 1] = last;
  }
}

// Moves `chars` to an exact new block holding its text and `length` bytes of `text`, filled
// before the old block goes (so `text` may lie in it). Out of line: it keeps the in-place
// append below free of the registers and stack it needs.
[[gnu::noinline]] inline void AppendMoving(char*& chars, int length, const char* text) {
  QxStringData* data = Header(chars);
  QxStringData* block = JoinedBlock(data->dataLength, chars, length, text);
  ReleaseBlock(data);
  chars = block->data();
}

// Appends in place when the block is private with room, else moves to an exact new block.
inline void Append(char*& chars, int length, const char* text) {
  if (length <= 0 || text == nullptr) return;
  QxStringData* data = Header(chars);
  const int current = data->dataLength;
  if (static_cast<long long>(current) + length <= data->allocLength && LoadCount(data) <= 1) {
    if (length <= 16) {
      MoveShort(chars + current, text, static_cast<std::size_t>(length));
    } else {
      std::memmove(chars + current, text, static_cast<std::size_t>(length));
    }
    data->dataLength = current + length;
    chars[current + length] = '\0';
  } else {
    AppendMoving(chars, length, text);
  }
}

inline int Length(const char* text) {
  return text == nullptr ? 0 : CheckedLength(static_cast<long long>(std::strlen(text)));
}

inline unsigned char Byte(char c) { return static_cast<unsigned char>(c); }
inline char Upper(char c) { return static_cast<char>(std::toupper(Byte(c))); }
inline char Lower(char c) { return static_cast<char>(std::tolower(Byte(c))); }

inline int Sign(int value) { return (value > 0) - (value < 0); }

inline const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace qxstring
