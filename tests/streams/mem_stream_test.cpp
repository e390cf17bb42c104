// QXMemRead and QXMemWrite over caller-owned blocks.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <new>
#include <string>

#include "streams/QxStream.h"

namespace {

std::string Block(const void* block, unsigned int size) {
  return size == 0 ? std::string() : std::string(static_cast<const char*>(block), size);
}

// What remains, then nothing; copies keep their own position; a null destination takes
// nothing.
TEST(QXMemRead, DeliversWhatRemainsThenNothing) {
  const char text[] = "0123456789";
  QXMemRead reader(text, 10);
  char out[16] = {};
  EXPECT_EQ(reader.stRead(nullptr, 3), 0u);
  EXPECT_EQ(reader.stRead(out, 4), 4u);
  EXPECT_EQ(std::string(out, 4), "0123");
  QXMemRead copy(reader);
  EXPECT_EQ(copy.stRead(out, 10), 6u);
  EXPECT_EQ(std::string(out, 6), "456789");
  EXPECT_EQ(copy.stRead(out, 10), 0u);
  EXPECT_EQ(reader.remaining, 6u);
  reader = copy;
  EXPECT_EQ(reader.stRead(out, 10), 0u);

  QXMemRead empty(nullptr, 0);
  EXPECT_EQ(empty.stRead(out, 10), 0u);
}

TEST(QXMemRead, RefusesABlockItsCountCannotHold) {
  if constexpr (sizeof(unsigned long) > 4) {
    const char byte = 0;
    // Never read: the reader must refuse the size before it touches the block.
    EXPECT_THROW(QXMemRead(&byte, 0x100000000UL + 5), std::bad_alloc);
    EXPECT_NO_THROW(QXMemRead(&byte, 0xFFFFFFFFUL));
  } else {
    GTEST_SKIP() << "unsigned long cannot name a block over 4 GiB here";
  }
}

// Writers over the same variables (the first, a copy, an assigned one) append to one exact
// block; nothing to write changes nothing.
TEST(QXMemWrite, AppendsEveryWriteToOneSharedExactBlock) {
  void* block = reinterpret_cast<void*>(0x1);  // the writer drops what the variables held
  unsigned int size = 77;
  QXMemWrite first(&block, &size);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(size, 0u);
  QXMemWrite copy(first);
  QXMemWrite assigned(&block, &size);
  assigned = first;
  char abc[] = "abc", de[] = "de", x[] = "x";
  EXPECT_EQ(first.stWrite(abc, 3), 0u);
  EXPECT_EQ(copy.stWrite(de, 2), 0u);
  EXPECT_EQ(assigned.stWrite(x, 1), 0u);
  EXPECT_EQ(Block(block, size), "abcdex");
  void* const before = block;
  EXPECT_EQ(first.stWrite(x, 0), 0u);
  EXPECT_EQ(first.stWrite(nullptr, 5), 0u);
  EXPECT_EQ(block, before);
  EXPECT_EQ(size, 6u);
  delete[] static_cast<unsigned char*>(block);
}

TEST(QXMemWrite, ASizePastFourGigabytesIsRefusedAndTheVariablesStay) {
  void* block = nullptr;
  unsigned int size = 0;
  QXMemWrite writer(&block, &size);
  // The check comes before any allocation or copy, so a fake description is safe here.
  char fake[4] = {};
  block = fake;
  size = UINT_MAX - 2;
  char bytes[] = "abc";
  EXPECT_THROW(writer.stWrite(bytes, 3), std::bad_alloc);
  EXPECT_EQ(block, fake);
  EXPECT_EQ(size, UINT_MAX - 2);
  if constexpr (sizeof(unsigned long) > 4) {
    size = 0;
    block = nullptr;
    EXPECT_THROW(writer.stWrite(bytes, 0x100000000UL), std::bad_alloc);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(size, 0u);
  }
}

}  // namespace
