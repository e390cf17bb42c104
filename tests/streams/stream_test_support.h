// Readers and writers that record how the compressor calls them.
#pragma once

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "streams/QxStream.h"

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

}  // namespace streamtest
