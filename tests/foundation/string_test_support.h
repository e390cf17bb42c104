// Test access to a QxString's block: the header is read back from the character pointer,
// which also checks the block layout (three 32-bit integers directly before the text).
#pragma once

#include <gtest/gtest.h>

#include "foundation/QxString.h"

inline const QxStringData* BlockOf(const QxString& s) {
  return reinterpret_cast<const QxStringData*>(static_cast<const char*>(s)) - 1;
}

inline bool OnEmptyBlock(const QxString& s) {
  return static_cast<const char*>(s) == static_cast<const char*>(QxGetEmptyString());
}

// The block's count, length and capacity, and the terminating zero at the length.
inline testing::AssertionResult BlockIs(const QxString& s, int count, int length, int capacity) {
  const QxStringData* b = BlockOf(s);
  if (b->refCount == count && b->dataLength == length && b->allocLength == capacity &&
      static_cast<const char*>(s)[length] == '\0')
    return testing::AssertionSuccess();
  return testing::AssertionFailure() << "block {count " << b->refCount << ", length " << b->dataLength
                                     << ", capacity " << b->allocLength << "}, expected {" << count << ", "
                                     << length << ", " << capacity << "}";
}

// Opens the protected block management to the tests.
class TestString : public QxString {
 public:
  using QxString::QxString;
  using QxString::AllocBeforeWrite;
  using QxString::AllocBuffer;
  using QxString::AllocCopy;
  using QxString::AssignCopy;
  using QxString::ConcatCopy;
  using QxString::ConcatInPlace;
  using QxString::CopyBeforeWrite;
  using QxString::GetData;
  using QxString::Init;
  using QxString::Release;
  using QxString::SafeStrlen;
};
