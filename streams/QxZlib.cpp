// QxZlib: the compressor's operations over readers and writers, and the stream exception.
#include "streams/QxZlib.h"

#include <cstring>

namespace {

constexpr int kWorkBufferSize = 113;
constexpr unsigned int kStagingSize = 100;

unsigned long Unlimited(unsigned long limit) { return limit == 0 ? 4294967295UL : limit; }

unsigned int NextPiece(unsigned long remaining) {
  return remaining < kStagingSize ? static_cast<unsigned int>(remaining) : kStagingSize;
}

char* CopyText(const char* text) {
  const char* source = text != nullptr ? text : "";
  const std::size_t n = std::strlen(source) + 1;
  char* copy = new char[n];
  std::memcpy(copy, source, n);
  return copy;
}

}  // namespace

QxStreamException::QxStreamException(int code_, const char* message_)
    : code(code_), message(CopyText(message_)) {}

QxStreamException::QxStreamException(const QxStreamException& other)
    : code(other.code), message(CopyText(other.message)) {}

QxStreamException& QxStreamException::operator=(const QxStreamException& other) {
  if (this != &other) {
    char* copy = CopyText(other.message);
    delete[] message;
    message = copy;
    code = other.code;
  }
  return *this;
}

QxStreamException::~QxStreamException() { delete[] message; }

QxZlib::QxZlib() : ZlibImplementation(kWorkBufferSize) {}

QxZlib::~QxZlib() = default;

unsigned long QxZlib::Compress(IQxWrite& destination, IQxRead& source, unsigned long limit) {
  unsigned long remaining = Unlimited(limit);
  unsigned long total = 0;
  BeginCompression();
  unsigned char staging[kStagingSize];
  while (remaining > 0) {
    const unsigned int wanted = NextPiece(remaining);
    unsigned long n = source.stRead(staging, wanted);
    if (n == 0) break;
    if (n > wanted) n = wanted;  // a source that claims more than it was asked for
    CompressPiece(destination, staging, static_cast<unsigned int>(n));
    total += n;
    remaining -= n;
  }
  FinishCompression(destination);
  return total;
}

unsigned long QxZlib::Expand(IQxWrite& destination, IQxRead& source, unsigned long limit) {
  unsigned long remaining = Unlimited(limit);
  unsigned long total = 0;
  BeginExpansion();
  unsigned char staging[kStagingSize];
  while (remaining > 0) {
    const unsigned int n = ExpandPiece(source, staging, NextPiece(remaining));
    if (n == 0) break;
    destination.stWrite(staging, n);
    total += n;
    remaining -= n;
  }
  EndExpansion();
  return total;
}
