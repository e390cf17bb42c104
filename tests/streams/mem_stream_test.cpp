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

TEST(QXMemRead, DeliversWhatRemainsThenNothing) {
  const char text[] = "0123456789";
  QXMemRead reader(text, 10);
  char out[16] = {};
  EXPECT_EQ(reader.stRead(out, 4), 4u);
  EXPECT_EQ(std::string(out, 4), "0123");
  EXPECT_EQ(reader.stRead(out, 10), 6u);
  EXPECT_EQ(std::string(out, 6), "456789");
  EXPECT_EQ(reader.stRead(out, 10), 0u);

  QXMemRead empty(nullptr, 0);
  EXPECT_EQ(empty.stRead(out, 10), 0u);
}

TEST(QXMemRead, CopiesKeepTheirOwnPositionAndANullDestinationTakesNothing) {
  const char text[] = "abcdef";
  QXMemRead reader(text, 6);
  char out[8] = {};
  EXPECT_EQ(reader.stRead(nullptr, 3), 0u);
  reader.stRead(out, 2);
  QXMemRead copy(reader);
  EXPECT_EQ(copy.stRead(out, 8), 4u);
  EXPECT_EQ(std::string(out, 4), "cdef");
  EXPECT_EQ(reader.remaining, 4u);
  reader = copy;
  EXPECT_EQ(reader.stRead(out, 8), 0u);
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

TEST(QXMemWrite, AppendsEveryWriteToOneExactBlock) {
  void* block = reinterpret_cast<void*>(0x1);  // the writer drops what the variables held
  unsigned int size = 77;
  QXMemWrite writer(&block, &size);
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(size, 0u);
  char abc[] = "abc", de[] = "de";
  EXPECT_EQ(writer.stWrite(abc, 3), 0u);
  EXPECT_EQ(writer.stWrite(de, 2), 0u);
  EXPECT_EQ(Block(block, size), "abcde");
  delete[] static_cast<unsigned char*>(block);
}

TEST(QXMemWrite, NothingToWriteChangesNothing) {
  void* block = nullptr;
  unsigned int size = 0;
  QXMemWrite writer(&block, &size);
  char x[] = "x";
  writer.stWrite(x, 1);
  void* const before = block;
  EXPECT_EQ(writer.stWrite(x, 0), 0u);
  EXPECT_EQ(writer.stWrite(nullptr, 5), 0u);
  EXPECT_EQ(block, before);
  EXPECT_EQ(size, 1u);
  delete[] static_cast<unsigned char*>(block);
}

TEST(QXMemWrite, CopiesAndWritersOnTheSameVariablesShareTheBlock) {
  void* block = nullptr;
  unsigned int size = 0;
  QXMemWrite first(&block, &size);
  QXMemWrite copy(first);
  QXMemWrite assigned(&block, &size);
  assigned = first;
  char a[] = "1", b[] = "22", c[] = "333";
  first.stWrite(a, 1);
  copy.stWrite(b, 2);
  assigned.stWrite(c, 3);
  EXPECT_EQ(Block(block, size), "122333");
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
