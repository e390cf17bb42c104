// QxZlib: the compressor's operations over readers and writers, and the stream exception.
#include "streams/QxZlib.h"

#include <cstring>

namespace {

constexpr int kWorkBufferSize = 113;
// Compress asks the source for pieces of this size; Expand hands the destination pieces of at
// most this size.
constexpr unsigned int kPieceSize = 100;
// Expand inflates into this much room and passes it on in pieces: inflate's fast path needs
// 258 bytes of output room, and with 100 it never runs (1 MB of text expanded 1.6 times
// slower than in one call). The source is read only when inflate has used up its input and
// more output is wanted: for a whole stream that is exactly what 100-byte pieces read; with
// a limit or a damaged stream it may be one read less, as 100-byte pieces read ahead when a
// piece ends on an empty input.
constexpr unsigned int kExpandRoom = 4096;

unsigned long Unlimited(unsigned long limit) { return limit == 0 ? 4294967295UL : limit; }

unsigned int AtMost(unsigned long remaining, unsigned int size) {
  return remaining < size ? static_cast<unsigned int>(remaining) : size;
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
  unsigned char staging[kPieceSize];
  while (remaining > 0) {
    const unsigned int wanted = AtMost(remaining, kPieceSize);
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
  unsigned char room[kExpandRoom];
  while (remaining > 0) {
    const unsigned int n = ExpandPiece(source, room, AtMost(remaining, kExpandRoom));
    if (n == 0) break;
    for (unsigned int at = 0; at < n; at += kPieceSize) destination.stWrite(room + at, AtMost(n - at, kPieceSize));
    total += n;
    remaining -= n;
  }
  EndExpansion();
  return total;
}
