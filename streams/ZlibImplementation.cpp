// The compressor's zlib steps and their modes.
#include "streams/ZlibImplementation.h"

#include <zlib.h>

#include <new>

#include "streams/QxZlib.h"

namespace {

constexpr const char* kZlibError = "Zlib-Fehler";

[[noreturn]] void Raise(int code) { throw QxStreamException(code, kZlibError); }

}  // namespace

ZlibImplementation::ZlibImplementation(int workBufferSize_)
    : workBuffer(new unsigned char[static_cast<unsigned>(workBufferSize_)]),
      workBufferSize(workBufferSize_),
      mode(kIdle) {
  static_assert(sizeof(z_stream) <= sizeof(stream) && alignof(z_stream) <= alignof(void*));
  z_stream& z = *new (stream) z_stream{};
  z.zalloc = Z_NULL;
  z.zfree = Z_NULL;
  z.opaque = Z_NULL;
}

ZlibImplementation::~ZlibImplementation() {
  // A raised error leaves the zlib state open on purpose (later calls must see the mode);
  // only the end of the object releases it.
  if (mode == kCompressing) deflateEnd(&Stream());
  if (mode == kExpanding || mode == kExpansionFinished) inflateEnd(&Stream());
  delete[] workBuffer;
}

z_stream_s& ZlibImplementation::Stream() { return *std::launder(reinterpret_cast<z_stream*>(stream)); }

void ZlibImplementation::RequireMode(int wanted) const {
  if (mode != wanted) Raise(-11);
}

void ZlibImplementation::PassOutput(IQxWrite& destination) {
  z_stream& z = Stream();
  const auto produced = static_cast<unsigned long>(workBufferSize) - z.avail_out;
  if (produced > 0) {
    destination.stWrite(workBuffer, produced);
    z.next_out = workBuffer;
    z.avail_out = static_cast<uInt>(workBufferSize);
  }
}

void ZlibImplementation::BeginCompression() {
  RequireMode(kIdle);
  // The linked zlib's own version and record size: the library checks them against its build.
  if (deflateInit(&Stream(), Z_DEFAULT_COMPRESSION) != Z_OK) Raise(-4);
  // An empty source goes straight to Finish: the areas must be valid from the start.
  z_stream& z = Stream();
  z.next_in = nullptr;
  z.avail_in = 0;
  z.next_out = workBuffer;
  z.avail_out = static_cast<uInt>(workBufferSize);
  mode = kCompressing;
}

void ZlibImplementation::CompressPiece(IQxWrite& destination, const unsigned char* piece, unsigned int length) {
  RequireMode(kCompressing);
  z_stream& z = Stream();
  z.next_in = const_cast<Bytef*>(piece);  // zlib's input pointer is not const in every version
  z.avail_in = length;
  z.next_out = workBuffer;
  z.avail_out = static_cast<uInt>(workBufferSize);
  do {
    if (deflate(&z, Z_NO_FLUSH) != Z_OK) Raise(-6);
    PassOutput(destination);
  } while (z.avail_in > 0);
}

void ZlibImplementation::FinishCompression(IQxWrite& destination) {
  RequireMode(kCompressing);
  z_stream& z = Stream();
  for (;;) {
    const int result = deflate(&z, Z_FINISH);
    if (result != Z_OK && result != Z_STREAM_END) Raise(-6);
    PassOutput(destination);
    if (result == Z_STREAM_END) break;
  }
  if (deflateEnd(&z) != Z_OK) Raise(-8);
  mode = kIdle;
}

void ZlibImplementation::BeginExpansion() {
  RequireMode(kIdle);
  z_stream& z = Stream();
  z.next_in = nullptr;
  z.avail_in = 0;
  if (inflateInit(&z) != Z_OK) Raise(-5);
  mode = kExpanding;
}

unsigned int ZlibImplementation::ExpandPiece(IQxRead& source, unsigned char* piece, unsigned int wanted) {
  if (mode == kExpansionFinished) return 0;
  RequireMode(kExpanding);
  z_stream& z = Stream();
  z.next_out = piece;
  z.avail_out = wanted;
  for (;;) {
    if (z.avail_in == 0) {
      const unsigned long n = source.stRead(workBuffer, static_cast<unsigned long>(workBufferSize));
      // A source that claims more than it was asked for is taken at its buffer's size.
      z.avail_in = static_cast<uInt>(n < static_cast<unsigned long>(workBufferSize) ? n : workBufferSize);
      z.next_in = workBuffer;
    }
    const int result = inflate(&z, Z_NO_FLUSH);
    if (z.avail_out == 0) {
      if (result != Z_OK) mode = kExpansionFinished;
      return wanted;
    }
    if (result != Z_OK) {
      // The end of the stream, a corrupt stream, a dictionary it needs, or a source run dry:
      // the expansion ends quietly with what it produced.
      mode = kExpansionFinished;
      return wanted - z.avail_out;
    }
  }
}

void ZlibImplementation::EndExpansion() {
  if (mode != kExpanding && mode != kExpansionFinished) Raise(-11);
  if (inflateEnd(&Stream()) != Z_OK) Raise(-9);
  mode = kIdle;
}
