// Feeds arbitrary bytes to QxZlib::Expand with a limit taken from the input, and checks it
// against a plain inflate loop that expands in 100-byte pieces and reads 113-byte pieces:
// the same bytes and count always; the same source consumption when a whole stream is
// expanded without a limit; otherwise (a limit, a damaged stream) at most one read less,
// since that loop reads ahead whenever a piece ends on an empty input. Then round-trips the
// bytes through Compress and Expand.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "streams/QxStream.h"
#include "streams/QxZlib.h"

namespace {

class StringSink final : public IQxWrite {
 public:
  unsigned long stWrite(void* source, unsigned long count) override {
    if (count == 0 || count > 113) std::abort();
    bytes.append(static_cast<const char*>(source), count);
    return 0;
  }
  std::string bytes;
};

// The contract's expansion, step by step.
std::string ReferenceExpand(const std::uint8_t* data, std::size_t size, unsigned long limit,
                            unsigned long& consumed, bool& ended) {
  QXMemRead source(data, size);
  z_stream z{};
  if (inflateInit(&z) != Z_OK) std::abort();
  unsigned char work[113];
  unsigned char piece[100];
  std::string out;
  unsigned long remaining = limit == 0 ? 4294967295UL : limit;
  bool finished = false;
  while (remaining > 0 && !finished) {
    const unsigned int wanted = remaining < 100 ? static_cast<unsigned int>(remaining) : 100;
    z.next_out = piece;
    z.avail_out = wanted;
    for (;;) {
      if (z.avail_in == 0) {
        z.avail_in = static_cast<uInt>(source.stRead(work, 113));
        z.next_in = work;
      }
      const int result = inflate(&z, Z_NO_FLUSH);
      if (result != Z_OK) finished = true;
      ended = result == Z_STREAM_END;
      if (z.avail_out == 0 || result != Z_OK) break;
    }
    const unsigned int n = wanted - z.avail_out;
    if (n == 0) break;
    out.append(reinterpret_cast<const char*>(piece), n);
    remaining -= n;
  }
  inflateEnd(&z);
  consumed = static_cast<unsigned long>(size) - source.remaining;
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  unsigned long limit = 0;
  if (size >= 2) {
    // The first two bytes choose a limit (0: none) so that early ends are reached too.
    limit = static_cast<unsigned long>(data[0]) * 256 + data[1];
    data += 2;
    size -= 2;
  }
  QxZlib zlib;
  {
    QXMemRead source(data, size);
    StringSink sink;
    const unsigned long n = zlib.Expand(sink, source, limit);
    unsigned long consumed = 0;
    bool ended = false;
    const std::string expected = ReferenceExpand(data, size, limit, consumed, ended);
    if (n != sink.bytes.size() || sink.bytes != expected) std::abort();
    const unsigned long ours = size - source.remaining;
    if (ended && limit == 0 ? ours != consumed : ours > consumed || ours + 113 < consumed) std::abort();
  }
  {
    QXMemRead source(data, size);
    StringSink compressed;
    if (zlib.Compress(compressed, source, 0) != size) std::abort();
    QXMemRead back(compressed.bytes.data(), compressed.bytes.size());
    StringSink expanded;
    if (zlib.Expand(expanded, back, 0) != size || back.remaining != 0) std::abort();
    if (std::memcmp(expanded.bytes.data(), data, size) != 0) std::abort();
  }
  return 0;
}
