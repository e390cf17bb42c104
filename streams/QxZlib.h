// The zlib compressor of the stream library: compresses what an IQxRead delivers into an
// IQxWrite as a plain zlib stream (RFC 1950, default settings, nothing around it) and
// expands such a stream again, in small fixed pieces so that neither side is ever held whole.
//
//   QxZlib zlib;
//   QXMemRead in(text, length);
//   MyVectorSink out;                      // any IQxWrite
//   zlib.Compress(out, in, 0);             // 0: no limit; returns the bytes taken from `in`
//
// Errors raise QxStreamException with the message "Zlib-Fehler": misuse (-11), and failures
// of deflate (-4 init, -6 step, -8 end) and of inflate's begin and end (-5, -9). A corrupt or
// truncated compressed stream is not an error: Expand stops quietly and returns the count
// written so far. After an exception the object answers every call with -11: discard it.
//
// Not exported from libqx.
#pragma once

#include "streams/QxStream.h"
#include "streams/ZlibImplementation.h"

// The exception of the stream library: a negative code and its own copy of the message.
class QxStreamException {
 public:
  QxStreamException(int code, const char* message);
  QxStreamException(const QxStreamException& other);
  QxStreamException& operator=(const QxStreamException& other);
  virtual ~QxStreamException();

  int code;
  char* message;  // owned, zero-terminated
};

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

// Compression from a reader into a writer. A limit of 0 means no limit.
class IQxCompressor {
 public:
  // Writes at most `limit` expanded bytes; returns how many it wrote.
  virtual unsigned long Expand(IQxWrite& destination, IQxRead& source, unsigned long limit) = 0;
  // Takes at most `limit` bytes from the source; returns how many it took.
  virtual unsigned long Compress(IQxWrite& destination, IQxRead& source, unsigned long limit) = 0;

 protected:
  IQxCompressor() = default;
  IQxCompressor(const IQxCompressor&) = default;
  IQxCompressor& operator=(const IQxCompressor&) = default;
  ~IQxCompressor() = default;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// The destination receives pieces of at most 113 bytes from Compress and at most 100 bytes
// from Expand. One object runs any number of complete operations one after the other.
class QxZlib : private ZlibImplementation, public IQxCompressor {
 public:
  QxZlib();
  ~QxZlib() override;

  unsigned long Expand(IQxWrite& destination, IQxRead& source, unsigned long limit) override;
  unsigned long Compress(IQxWrite& destination, IQxRead& source, unsigned long limit) override;
};
