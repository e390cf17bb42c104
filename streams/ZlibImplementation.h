// The zlib side of the compressor: the stream record, a small work buffer and the mode that
// guards the order of the steps. QxZlib drives it; every step raises QxStreamException.
#pragma once

#include "streams/QxStream.h"

struct z_stream_s;

class ZlibImplementation {
 public:
  enum Mode { kIdle = 0, kCompressing = 1, kExpanding = 2, kExpansionFinished = 3 };

  explicit ZlibImplementation(int workBufferSize);
  ZlibImplementation(const ZlibImplementation&) = delete;
  ZlibImplementation& operator=(const ZlibImplementation&) = delete;
  // Ends a deflate or inflate that an exception left open.
  virtual ~ZlibImplementation();

 protected:
  // Compression: Begin, any number of pieces, Finish.
  void BeginCompression();
  void CompressPiece(IQxWrite& destination, const unsigned char* piece, unsigned int length);
  void FinishCompression(IQxWrite& destination);

  // Expansion: Begin, pieces until one comes back empty, End.
  void BeginExpansion();
  // Up to `wanted` expanded bytes into `piece`, refilling the input from `source` in reads of
  // the work buffer's size; 0 once the stream has ended, failed or run dry.
  unsigned int ExpandPiece(IQxRead& source, unsigned char* piece, unsigned int wanted);
  void EndExpansion();

 private:
  z_stream_s& Stream();
  void RequireMode(int wanted) const;
  void PassOutput(IQxWrite& destination);

  // zlib's stream record lives in the object itself; its size is checked against zlib's own
  // in the implementation, which keeps zlib's header out of this one.
  alignas(void*) unsigned char stream[14 * sizeof(void*)];
  unsigned char* workBuffer;
  int workBufferSize;
  int mode;
};
