// Readers and writers that record how the compressor calls them, and the inputs and one-call
// compression the zlib tests share.
#pragma once

#include <random>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "streams/QxStream.h"
#include "streams/QxZlib.h"

namespace streamtest {

// Collects every byte and the size of every piece it was given.
class RecordingSink final : public IQxWrite {
 public:
  unsigned long stWrite(void* source, unsigned long count) override {
    bytes.append(static_cast<const char*>(source), count);
    pieces.push_back(count);
    return 0;
  }
  std::string bytes;
  std::vector<unsigned long> pieces;
};

// A memory reader that remembers how much each read asked for.
class RecordingSource final : public IQxRead {
 public:
  explicit RecordingSource(std::string bytes) : bytes_(std::move(bytes)), reader_(bytes_.data(), bytes_.size()) {}
  unsigned long stRead(void* destination, unsigned long count) override {
    asked.push_back(count);
    return reader_.stRead(destination, count);
  }
  unsigned int Remaining() const { return reader_.remaining; }
  std::vector<unsigned long> asked;

 private:
  std::string bytes_;
  QXMemRead reader_;
};

// Fails on its n-th write, as a full disk or a closed pipe would.
class FailingSink final : public IQxWrite {
 public:
  explicit FailingSink(int failOnWrite) : left_(failOnWrite) {}
  unsigned long stWrite(void*, unsigned long) override {
    if (--left_ == 0) throw std::runtime_error("sink failed");
    return 0;
  }

 private:
  int left_;
};

// `n` bytes from a generator seeded with `seed`: the same bytes for the same seed.
inline std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(n, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Words from a small vocabulary: compresses as real text does.
inline std::string Text(std::size_t n, unsigned seed) {
  static const char* const words[] = {"tide ", "well ", "host ", "version ", "3.20.4.0 ", "Veltaro\r\n",
                                      "the ", "of ", "lens ", "plug-in "};
  std::mt19937 random(seed);
  std::string text;
  while (text.size() < n) text += words[random() % 10];
  text.resize(n);
  return text;
}

// What QxZlib writes for `input` with a limit of `limit` bytes (0: all); `taken` gets its result.
inline std::string Compress(const std::string& input, unsigned long limit = 0, unsigned long* taken = nullptr) {
  QxZlib zlib;
  RecordingSource source(input);
  RecordingSink sink;
  const unsigned long n = zlib.Compress(sink, source, limit);
  if (taken != nullptr) *taken = n;
  return sink.bytes;
}

}  // namespace streamtest
