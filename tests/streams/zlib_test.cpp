// QxZlib: the zlib stream it writes, what it reads back, its limits, pieces and modes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>

#include "streams/QxZlib.h"
#include "tests/streams/stream_test_support.h"

namespace {

using streamtest::Compress;
using streamtest::FailingSink;
using streamtest::RandomBytes;
using streamtest::RecordingSink;
using streamtest::RecordingSource;
using streamtest::Text;

std::string Expand(const std::string& compressed, unsigned long limit = 0) {
  QxZlib zlib;
  RecordingSource source(compressed);
  RecordingSink sink;
  const unsigned long n = zlib.Expand(sink, source, limit);
  EXPECT_EQ(n, sink.bytes.size());
  return sink.bytes;
}

std::string ZlibCompress2(const std::string& input) {
  uLongf size = compressBound(static_cast<uLong>(input.size()));
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                      reinterpret_cast<const Bytef*>(input.data()), static_cast<uLong>(input.size()),
                      Z_DEFAULT_COMPRESSION),
            Z_OK);
  out.resize(size);
  return out;
}

TEST(QxZlibCompress, RoundTripsEverySizeAroundItsPieceSizes) {
  for (std::size_t n : {1, 2, 99, 100, 101, 112, 113, 114, 200, 226, 339, 1000, 1130, 4095, 10000}) {
    for (const std::string& input : {RandomBytes(n, static_cast<unsigned>(n)), Text(n, 7)}) {
      unsigned long taken = 0;
      const std::string compressed = Compress(input, 0, &taken);
      EXPECT_EQ(taken, n);
      EXPECT_EQ(Expand(compressed), input) << n << " bytes";
    }
  }
}

TEST(QxZlibCompress, WritesExactlyTheZlibStreamOfDefaultSettings) {
  // The same bytes as zlib's one-call compression, from empty to 1 MB.
  for (std::size_t n : {0, 1, 57, 100, 113, 5000, 65536, 300001, 1 << 20}) {
    for (const std::string& input : {RandomBytes(n, 3), Text(n, static_cast<unsigned>(n))}) {
      const std::string compressed = Compress(input);
      ASSERT_EQ(compressed, ZlibCompress2(input)) << n << " bytes";
      ASSERT_GE(compressed.size(), 6u);
      EXPECT_EQ(static_cast<unsigned char>(compressed[0]), 0x78);
      EXPECT_EQ(static_cast<unsigned char>(compressed[1]), 0x9C);
      const uLong adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(input.data()),
                                  static_cast<uInt>(input.size()));
      const auto* tail = reinterpret_cast<const unsigned char*>(compressed.data() + compressed.size() - 4);
      EXPECT_EQ((uLong{tail[0]} << 24) | (uLong{tail[1]} << 16) | (uLong{tail[2]} << 8) | tail[3], adler);
    }
  }
  EXPECT_EQ(Compress(""), std::string("\x78\x9C\x03\x00\x00\x00\x00\x01", 8));
}

TEST(QxZlibCompress, ALimitTakesOnlyThatManyBytesInPiecesOfAHundred) {
  const std::string input = Text(1000, 1);
  QxZlib zlib;
  RecordingSource source(input);
  RecordingSink sink;
  EXPECT_EQ(zlib.Compress(sink, source, 250), 250u);
  EXPECT_EQ(source.asked, (std::vector<unsigned long>{100, 100, 50}));
  EXPECT_EQ(source.Remaining(), 750u);
  EXPECT_EQ(Expand(sink.bytes), input.substr(0, 250));
}

TEST(QxZlibExpand, ALimitWritesOnlyTheFirstBytes) {
  const std::string input = RandomBytes(1000, 9);
  EXPECT_EQ(Expand(Compress(input), 150), input.substr(0, 150));
}

TEST(QxZlibPieces, NeverExceedTheWorkAndStagingBuffers) {
  const std::string input = RandomBytes(20000, 4);  // incompressible: many full pieces
  QxZlib zlib;
  RecordingSource source(input);
  RecordingSink compressed;
  zlib.Compress(compressed, source, 0);
  EXPECT_EQ(*std::max_element(compressed.pieces.begin(), compressed.pieces.end()), 113u);

  RecordingSource compressedSource(compressed.bytes);
  RecordingSink expanded;
  EXPECT_EQ(zlib.Expand(expanded, compressedSource, 0), input.size());  // the same object again
  EXPECT_EQ(*std::max_element(expanded.pieces.begin(), expanded.pieces.end()), 100u);
  EXPECT_TRUE(std::all_of(compressedSource.asked.begin(), compressedSource.asked.end(),
                          [](unsigned long n) { return n == 113; }));
}

TEST(QxZlibExpand, DamagedInputEndsQuietlyWithWhatWasProduced) {
  const std::string input = Text(5000, 2);
  const std::string compressed = Compress(input);
  const std::string truncated = Expand(compressed.substr(0, compressed.size() / 2));
  EXPECT_GT(truncated.size(), 0u);
  EXPECT_LT(truncated.size(), input.size());
  EXPECT_EQ(truncated, input.substr(0, truncated.size()));

  EXPECT_EQ(Expand("this is not a zlib stream at all"), "");
  EXPECT_EQ(Expand(""), "");
  std::string corrupt = compressed;
  corrupt[corrupt.size() / 3] ^= 0x55;
  const std::string partial = Expand(corrupt);
  EXPECT_LE(partial.size(), input.size() + 100);  // ends without raising, whatever it made
}

TEST(QxZlibExpand, BytesAfterTheStreamAreConsumedOnlyUpToTheLastRead) {
  const std::string input = Text(3000, 8);
  const std::string trailing(500, 'T');
  QxZlib zlib;
  RecordingSource source(Compress(input) + trailing);
  RecordingSink sink;
  EXPECT_EQ(zlib.Expand(sink, source, 0), input.size());
  EXPECT_EQ(sink.bytes, input);
  EXPECT_LE(source.Remaining(), trailing.size());
  EXPECT_GT(source.Remaining(), trailing.size() - 113);
}

TEST(QxZlibModes, AnOperationThatRaisedLeavesTheObjectRefusingEveryCall) {
  for (const bool compressing : {true, false}) {
    QxZlib zlib;
    const std::string input = RandomBytes(2000, 6);
    const std::string data = compressing ? input : Compress(input);
    RecordingSource source(data);
    FailingSink failing(3);
    EXPECT_THROW(compressing ? zlib.Compress(failing, source, 0) : zlib.Expand(failing, source, 0),
                 std::runtime_error);
    RecordingSink sink;
    for (int call = 0; call < 2; ++call) {
      try {
        call == 0 ? zlib.Compress(sink, source, 0) : zlib.Expand(sink, source, 0);
        ADD_FAILURE() << "a call after the error went through";
      } catch (const QxStreamException& e) {
        EXPECT_EQ(e.code, -11);
        EXPECT_STREQ(e.message, "Zlib-Fehler");
      }
    }
    // The object's end releases zlib's state (the sanitizer build checks for leaks).
  }
}

TEST(QxStreamException, CopiesCarryTheirOwnMessage) {
  QxStreamException original(-6, "Zlib-Fehler");
  QxStreamException copy(original);
  QxStreamException assigned(-1, "other");
  assigned = original;
  EXPECT_EQ(copy.code, -6);
  EXPECT_EQ(assigned.code, -6);
  EXPECT_NE(copy.message, original.message);
  EXPECT_NE(assigned.message, original.message);
  EXPECT_STREQ(assigned.message, "Zlib-Fehler");
}

}  // namespace
