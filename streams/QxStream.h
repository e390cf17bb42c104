// The foundation library's byte streams: one-operation reading and writing interfaces, and a
// memory-backed implementation of each.
//
//   const char text[] = "hello";
//   QXMemRead in(text, 5);
//   char four[4];
//   in.stRead(four, 4);              // 4; a second read of 4 gives 1, then 0
//
//   void* block = nullptr;
//   unsigned int size = 0;
//   QXMemWrite out(&block, &size);   // block null, size 0
//   out.stWrite(const_cast<char*>("abc"), 3);
//   out.stWrite(const_cast<char*>("de"), 2);       // block holds "abcde", size 5
//   delete[] static_cast<unsigned char*>(block);   // the caller owns the block
//
// The interfaces have no virtual destructor (their one slot is the stream operation): a
// stream is never deleted through an interface pointer, which the protected destructors
// enforce.
//
// Exported from libqx: QXMemRead and QXMemWrite with their virtual tables.
#pragma once

#include "foundation/QxExport.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

// Delivers up to `count` bytes into `destination` and returns how many it delivered; 0 means
// the source has nothing more.
class IQxRead {
 public:
  // Up to `count` bytes into `destination`; the number delivered, 0 at the end.
  virtual unsigned long stRead(void* destination, unsigned long count) = 0;

 protected:
  // Made, copied and destroyed only as part of an implementation.
  IQxRead() = default;
  IQxRead(const IQxRead&) = default;
  IQxRead& operator=(const IQxRead&) = default;
  ~IQxRead() = default;
};

// Takes `count` bytes from `source`. What the result means is the implementation's.
class IQxWrite {
 public:
  // Takes `count` bytes from `source`; the result is the implementation's.
  virtual unsigned long stWrite(void* source, unsigned long count) = 0;

 protected:
  // Made, copied and destroyed only as part of an implementation.
  IQxWrite() = default;
  IQxWrite(const IQxWrite&) = default;
  IQxWrite& operator=(const IQxWrite&) = default;
  ~IQxWrite() = default;
};

// Reads a block the caller keeps alive for as long as the reader is used. Reading never
// fails: at the end it delivers 0 bytes.
class QX_EXPORT QXMemRead : public IQxRead {
 public:
  // Throws std::bad_alloc for a block of more than 4,294,967,295 bytes, which the reader's
  // 32-bit count could not hold (it would otherwise end early without a word).
  QXMemRead(const void* data, unsigned long size);
  QXMemRead(const QXMemRead& other);
  QXMemRead& operator=(const QXMemRead& other);
  ~QXMemRead();

  // Copies min(count, remaining) bytes and moves past them; a null destination takes nothing.
  unsigned long stRead(void* destination, unsigned long count) override;

  const unsigned char* data;  // the next unread byte
  unsigned int remaining;     // bytes still unread
};

// Appends to a block whose address and size live in two variables of the caller. The block
// is always one allocation of exactly `*size` bytes made with new[]; the caller releases it
// with delete[] (as unsigned char*). Writers over the same variables append to the same
// block.
class QX_EXPORT QXMemWrite : public IQxWrite {
 public:
  // Sets *buffer to null and *size to 0, without releasing what they described: pass
  // variables that own nothing.
  QXMemWrite(void** buffer, unsigned int* size);
  QXMemWrite(const QXMemWrite& other);
  QXMemWrite& operator=(const QXMemWrite& other);
  ~QXMemWrite();

  // Appends `count` bytes by moving the whole block to an exact new allocation, so writing
  // n bytes in small pieces costs time proportional to n squared: a caller that collects
  // much data in small pieces is better served by an IQxWrite of its own over a growing
  // buffer. Always returns 0; count 0 or a null source changes nothing. Throws
  // std::bad_alloc when the allocation fails or the size would pass 4,294,967,295; the
  // caller's variables then still describe the old block.
  unsigned long stWrite(void* source, unsigned long count) override;

  void** buffer;       // the caller's block pointer
  unsigned int* size;  // the caller's block size
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
