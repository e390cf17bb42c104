// Memory-backed byte streams.
#include "streams/QxStream.h"

#include <climits>
#include <cstring>
#include <new>

QXMemRead::QXMemRead(const void* data_, unsigned long size)
    : data(static_cast<const unsigned char*>(data_)), remaining(0) {
  if (size > UINT_MAX) throw std::bad_alloc();
  remaining = static_cast<unsigned int>(size);
}

QXMemRead::QXMemRead(const QXMemRead& other) = default;
QXMemRead& QXMemRead::operator=(const QXMemRead& other) = default;
QXMemRead::~QXMemRead() = default;

unsigned long QXMemRead::stRead(void* destination, unsigned long count) {
  if (destination == nullptr) return 0;
  const unsigned int n = count < remaining ? static_cast<unsigned int>(count) : remaining;
  if (n == 0) return 0;
  std::memcpy(destination, data, n);
  data += n;
  remaining -= n;
  return n;
}

QXMemWrite::QXMemWrite(void** buffer_, unsigned int* size_) : buffer(buffer_), size(size_) {
  *buffer = nullptr;
  *size = 0;
}

QXMemWrite::QXMemWrite(const QXMemWrite& other) = default;
QXMemWrite& QXMemWrite::operator=(const QXMemWrite& other) = default;
QXMemWrite::~QXMemWrite() = default;

unsigned long QXMemWrite::stWrite(void* source, unsigned long count) {
  if (count == 0 || source == nullptr) return 0;
  const unsigned int oldSize = *size;
  // A wrapped size would describe a block smaller than the one written.
  if (count > UINT_MAX - oldSize) throw std::bad_alloc();
  const unsigned int newSize = oldSize + static_cast<unsigned int>(count);
  auto* block = new unsigned char[newSize];
  if (oldSize != 0) std::memcpy(block, *buffer, oldSize);
  std::memcpy(block + oldSize, source, count);
  auto* old = static_cast<unsigned char*>(*buffer);
  *buffer = block;
  delete[] old;
  *size = newSize;
  return 0;
}
