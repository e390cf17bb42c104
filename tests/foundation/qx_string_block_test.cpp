// QxString blocks: the shared empty block, sharing and copy-before-write, locking, direct
// buffer access, appending, the protected block management and concurrent counting.
#include <condition_variable>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/foundation/string_test_support.h"

namespace {

TEST(QxStringEmptyBlock, DefaultNullAndEmptyStringsShareTheStaticBlock) {
  const QxString a;
  const QxString b(static_cast<const char*>(nullptr));
  const QxString c("");
  const QxString d("abc", 0);
  const QxString e('x', 0);
  const QxString f(a);
  QxString g("text");
  g = f;
  for (const QxString* s : std::initializer_list<const QxString*>{&a, &b, &c, &d, &e, &f, &g}) {
    EXPECT_TRUE(OnEmptyBlock(*s));
    EXPECT_TRUE(BlockIs(*s, -2, 0, 0));
  }
  EXPECT_STREQ(static_cast<const char*>(QxGetEmptyString()), "");
}

// The shared empty block is read-only memory: any write to it would crash here.
TEST(QxStringEmptyBlock, NoOperationWritesOrCountsTheEmptyBlock) {
  QxString s;
  s.MakeUpper();
  s.MakeLower();
  s.MakeReverse();
  s.CharToOemA();
  s.OemToCharA();
  s.TrimLeft();
  s.TrimRight();
  s.TrimLeft('x');
  s.TrimRight('x');
  s.TrimLeft(" ");
  s.TrimRight(" ");
  s.Empty();
  s.FreeExtra();
  s.UnlockBuffer();
  EXPECT_EQ(s.Delete(0, 3), 0);
  EXPECT_EQ(s.Replace('a', 'b'), 0);
  EXPECT_EQ(s.Replace("a", "b"), 0);
  EXPECT_EQ(s.Remove('a'), 0);
  EXPECT_EQ(s.Insert(0, ""), 0);
  s.SetAt(0, 'x');
  s += "";
  s = "";
  s = QxString();
  s.ReleaseBuffer(-1);
  s.ReleaseBuffer(5);
  EXPECT_EQ(s.LockBuffer(), static_cast<const char*>(QxGetEmptyString()));
  EXPECT_TRUE(OnEmptyBlock(s));
  EXPECT_TRUE(BlockIs(s, -2, 0, 0));
  EXPECT_TRUE(BlockIs(QxGetEmptyString(), -2, 0, 0));
}

// The shared empty block is read-only: a buffer asked for must take at least its zero.
TEST(QxStringBuffer, AZeroLengthBufferIsWritable) {
  for (const bool sharedEmptyText : {false, true}) {
    QxString original;
    if (sharedEmptyText) {
      original.GetBuffer(8);  // a private block of length 0, then shared by the copies
      original.ReleaseBuffer(0);
    }
    QxString a(original), b(original);
    a.GetBuffer(0)[0] = '\0';
    a.ReleaseBuffer(-1);
    b.GetBufferSetLength(0)[0] = '\0';
    for (QxString* s : {&a, &b}) {
      EXPECT_FALSE(OnEmptyBlock(*s));
      EXPECT_TRUE(BlockIs(*s, 1, 0, 0));
      *s += "x";
      EXPECT_STREQ(*s, "x");
    }
  }
  EXPECT_TRUE(BlockIs(QxGetEmptyString(), -2, 0, 0));
}

TEST(QxStringSharing, CopiesShareUntilOneChanges) {
  QxString a("hello");
  QxString b(a);
  EXPECT_EQ(BlockOf(a), BlockOf(b));
  EXPECT_TRUE(BlockIs(a, 2, 5, 5));
  b.MakeUpper();
  EXPECT_STREQ(a, "hello");
  EXPECT_STREQ(b, "HELLO");
  EXPECT_NE(BlockOf(a), BlockOf(b));
  EXPECT_TRUE(BlockIs(a, 1, 5, 5));
  EXPECT_TRUE(BlockIs(b, 1, 5, 5));
}

TEST(QxStringSharing, AssignmentSharesAndReleasesTheOldBlock) {
  QxString a("one");
  QxString b("two");
  QxString c(b);
  a = b;
  EXPECT_TRUE(BlockIs(b, 3, 3, 3));
  a = a;
  EXPECT_TRUE(BlockIs(b, 3, 3, 3));
  c = "three";  // leaves the shared block to its other holders
  EXPECT_TRUE(BlockIs(b, 2, 3, 3));
  EXPECT_TRUE(BlockIs(c, 1, 5, 5));
}

TEST(QxStringSharing, EveryChangeUnsharesFirst) {
  const QxString original("a b a");
  auto check = [&](auto change, const char* expected) {
    QxString copy(original);
    change(copy);
    EXPECT_STREQ(copy, expected);
    EXPECT_STREQ(original, "a b a");
    EXPECT_EQ(BlockOf(original)->refCount, 1);
  };
  check([](QxString& s) { s.SetAt(0, 'x'); }, "x b a");
  check([](QxString& s) { s.MakeReverse(); }, "a b a");
  check([](QxString& s) { s.Replace('a', 'c'); }, "c b c");
  check([](QxString& s) { s.Replace("a", "xy"); }, "xy b xy");
  check([](QxString& s) { s.ReplaceNoCase("A", ""); }, " b ");
  check([](QxString& s) { s.Remove(' '); }, "aba");
  check([](QxString& s) { s.Insert(1, '!'); }, "a! b a");
  check([](QxString& s) { s.Insert(1, "!!"); }, "a!! b a");
  check([](QxString& s) { s.Delete(0, 2); }, "b a");
  check([](QxString& s) { s.TrimLeft('a'); }, " b a");
  check([](QxString& s) { s.TrimRight("a "); }, "a b");
  check([](QxString& s) { s += "!"; }, "a b a!");
  check([](QxString& s) { s.GetBuffer(0)[0] = 'z'; }, "z b a");
  check([](QxString& s) { s.Format("%d", 7); }, "7");
}

TEST(QxStringSharing, AssigningTheEmptyText) {
  QxString owned("abcdef");
  owned = "";
  EXPECT_TRUE(BlockIs(owned, 1, 0, 6));  // a private buffer is kept
  QxString nulled("abcdef");
  nulled = static_cast<const char*>(nullptr);  // null counts as empty (and copies nothing)
  EXPECT_TRUE(BlockIs(nulled, 1, 0, 6));
  QxString shared("abcdef");
  const QxString other(shared);
  shared = "";
  EXPECT_TRUE(OnEmptyBlock(shared));
  EXPECT_TRUE(BlockIs(other, 1, 6, 6));
}

TEST(QxStringSharing, EmptyReleasesASharedBlock) {
  QxString a("abc");
  QxString b(a);
  b.Empty();
  EXPECT_TRUE(OnEmptyBlock(b));
  EXPECT_TRUE(BlockIs(a, 1, 3, 3));
  a.Empty();
  EXPECT_TRUE(OnEmptyBlock(a));
}

TEST(QxStringSharing, AssigningAPieceOfItself) {
  QxString owned("hello world");
  owned = static_cast<const char*>(owned) + 6;
  EXPECT_STREQ(owned, "world");
  EXPECT_TRUE(BlockIs(owned, 1, 5, 11));
  QxString shared("hello world");
  const QxString other(shared);
  shared = static_cast<const char*>(shared) + 6;
  EXPECT_STREQ(shared, "world");
  EXPECT_STREQ(other, "hello world");
}

TEST(QxStringLocking, LockedStringsAreNeverShared) {
  QxString s("locked");
  char* p = s.LockBuffer();
  EXPECT_EQ(p, static_cast<const char*>(s));
  EXPECT_TRUE(BlockIs(s, -1, 6, 6));
  const QxString copy(s);
  EXPECT_NE(BlockOf(copy), BlockOf(s));
  EXPECT_TRUE(BlockIs(copy, 1, 6, 6));
  QxString assigned("other");
  assigned = s;
  EXPECT_TRUE(BlockIs(assigned, 1, 6, 6));
  EXPECT_TRUE(BlockIs(s, -1, 6, 6));
  s.UnlockBuffer();
  EXPECT_TRUE(BlockIs(s, 1, 6, 6));
  s.UnlockBuffer();
  EXPECT_TRUE(BlockIs(s, 1, 6, 6));
}

TEST(QxStringLocking, AssignmentsCopyIntoTheLockedBuffer) {
  QxString s;
  s.GetBuffer(10);
  s.LockBuffer();
  const char* buffer = s;
  s = QxString("abc");
  EXPECT_EQ(static_cast<const char*>(s), buffer);
  EXPECT_TRUE(BlockIs(s, -1, 3, 10));
  s.Empty();  // keeps the locked buffer
  EXPECT_EQ(static_cast<const char*>(s), buffer);
  EXPECT_TRUE(BlockIs(s, -1, 0, 10));
  s = "this text is longer";  // no room: a new, unlocked block of exactly that size
  EXPECT_TRUE(BlockIs(s, 1, 19, 19));
}

TEST(QxStringLocking, GrowthMovesToAnUnlockedBlock) {
  QxString s("ab");
  s.LockBuffer();
  s += "cd";
  EXPECT_STREQ(s, "abcd");
  EXPECT_TRUE(BlockIs(s, 1, 4, 4));
  QxString t("xy");
  t.LockBuffer();
  t.FreeExtra();  // nothing spare: stays locked
  EXPECT_TRUE(BlockIs(t, -1, 2, 2));
}

TEST(QxStringLocking, LockingASharedStringUnsharesIt) {
  QxString a("shared");
  QxString b(a);
  b.LockBuffer();
  EXPECT_TRUE(BlockIs(a, 1, 6, 6));
  EXPECT_TRUE(BlockIs(b, -1, 6, 6));
}

TEST(QxStringBuffer, GetBufferGrowsNeverShrinksAndReleaseBufferMeasures) {
  QxString s("abc");
  char* p = s.GetBuffer(2);
  EXPECT_TRUE(BlockIs(s, 1, 3, 3));
  p = s.GetBuffer(20);
  EXPECT_TRUE(BlockIs(s, 1, 3, 20));
  std::strcpy(p, "longer text");
  s.ReleaseBuffer(-1);
  EXPECT_TRUE(BlockIs(s, 1, 11, 20));
  s.ReleaseBuffer(4);
  EXPECT_STREQ(s, "long");
  p = s.GetBufferSetLength(7);
  EXPECT_EQ(s.GetLength(), 7);
  EXPECT_EQ(s.GetAllocLength(), 20);
  std::memcpy(p, "1234567", 7);
  EXPECT_STREQ(s, "1234567");
}

TEST(QxStringBuffer, ReleaseBufferNeverLeavesTheCapacity) {
  QxString s;
  char* p = s.GetBuffer(8);
  std::memset(p, 'x', 9);  // the caller forgot the zero (it overwrote it)
  s.ReleaseBuffer(-1);
  EXPECT_TRUE(BlockIs(s, 1, 8, 8));
  s.ReleaseBuffer(100);
  EXPECT_TRUE(BlockIs(s, 1, 8, 8));
}

TEST(QxStringBuffer, GetBufferOnASharedBlockKeepsTheLength) {
  QxString a("abc");
  QxString b(a);
  b.GetBuffer(1);
  EXPECT_TRUE(BlockIs(a, 1, 3, 3));
  EXPECT_TRUE(BlockIs(b, 1, 3, 3));
}

TEST(QxStringBuffer, FreeExtraUnsharesAndShrinks) {
  QxString a("abc");
  a.GetBuffer(20);
  QxString b(a);
  a.FreeExtra();
  EXPECT_TRUE(BlockIs(a, 1, 3, 3));
  EXPECT_TRUE(BlockIs(b, 1, 3, 20));
  b = "";
  b.FreeExtra();
  EXPECT_TRUE(OnEmptyBlock(b));
}

TEST(QxStringAppend, ExactSizesAndInPlaceAppends) {
  QxString s("abc");
  s += "de";
  EXPECT_TRUE(BlockIs(s, 1, 5, 5));
  s.GetBuffer(16);
  s.ReleaseBuffer(-1);
  const char* buffer = s;
  s += 'f';
  s += QxString("gh");
  s += static_cast<const char*>(nullptr);
  EXPECT_EQ(static_cast<const char*>(s), buffer);
  EXPECT_TRUE(BlockIs(s, 1, 8, 16));
  s += '\0';  // counted, although the text reads as before
  EXPECT_EQ(s.GetLength(), 9);
  EXPECT_STREQ(s, "abcdefgh");
}

TEST(QxStringAppend, SelfAppendWithAndWithoutSpareCapacity) {
  QxString tight("abc");
  tight += tight;
  EXPECT_STREQ(tight, "abcabc");
  EXPECT_TRUE(BlockIs(tight, 1, 6, 6));
  tight += static_cast<const char*>(tight) + 3;
  EXPECT_STREQ(tight, "abcabcabc");
  QxString roomy("xy");
  roomy.GetBuffer(10);
  roomy += roomy;
  EXPECT_TRUE(BlockIs(roomy, 1, 4, 10));
  EXPECT_STREQ(roomy, "xyxy");
  QxString shared("12");
  const QxString other(shared);
  shared += shared;
  EXPECT_STREQ(shared, "1212");
  EXPECT_TRUE(BlockIs(other, 1, 2, 2));
}

TEST(QxStringAppend, ConcatenationOperatorsBuildExactBlocks) {
  const QxString a("ab");
  const QxString nul('\0', 1);
  EXPECT_TRUE(BlockIs(a + QxString("cd"), 1, 4, 4));
  EXPECT_STREQ(a + "cd", "abcd");
  EXPECT_STREQ("cd" + a, "cdab");
  EXPECT_STREQ(a + 'c', "abc");
  EXPECT_STREQ('c' + a, "cab");
  EXPECT_STREQ(a + static_cast<const char*>(nullptr), "ab");
  EXPECT_EQ((a + nul).GetLength(), 3);
  EXPECT_TRUE(OnEmptyBlock(QxString() + ""));
  const QxString whole = a + QxString();
  EXPECT_NE(BlockOf(whole), BlockOf(a));
}

TEST(QxStringConstruction, CountedCharactersAndConversions) {
  const QxString counted("a\0b", 3);
  EXPECT_TRUE(BlockIs(counted, 1, 3, 3));
  EXPECT_EQ(std::memcmp(static_cast<const char*>(counted), "a\0b", 4), 0);
  EXPECT_TRUE(BlockIs(QxString("a\0b", -4), -2, 0, 0));
  EXPECT_STREQ(QxString('z', 3), "zzz");
  EXPECT_STREQ(QxString(reinterpret_cast<const unsigned char*>("\xE4u")), "\xE4u");
  const std::string framework("std\0tail", 8);
  EXPECT_TRUE(BlockIs(QxString(framework), 1, 3, 3));
  QxString assigned;
  assigned = framework;
  EXPECT_STREQ(assigned, "std");
  assigned = '\0';
  EXPECT_EQ(assigned.GetLength(), 1);
  EXPECT_FALSE(assigned.IsEmpty());
  EXPECT_STREQ(assigned, "");
}

TEST(QxStringBlockManagement, ProtectedMembers) {
  TestString s;
  EXPECT_EQ(TestString::SafeStrlen(nullptr), 0);
  s.AllocBuffer(4);
  EXPECT_TRUE(BlockIs(s, 1, 4, 4));
  std::memcpy(s.GetData()->data(), "wxyz", 4);
  TestString part;
  s.AllocCopy(part, 2, 1, 3);
  EXPECT_TRUE(BlockIs(part, 1, 5, 5));
  EXPECT_EQ(std::memcmp(static_cast<const char*>(part), "xy", 2), 0);
  s.AllocCopy(part, 0, 0, 0);
  EXPECT_TRUE(OnEmptyBlock(part));
  s.ConcatCopy(0, "", 0, "");  // both empty: unchanged
  EXPECT_STREQ(s, "wxyz");
  s.ConcatCopy(2, "ab", 1, "c");
  EXPECT_TRUE(BlockIs(s, 1, 3, 3));
  s.GetBuffer(9);
  s.AllocBeforeWrite(5);  // private and large enough: kept, with its spare capacity
  EXPECT_EQ(s.GetAllocLength(), 9);
  s.AssignCopy(2, "pq");
  EXPECT_TRUE(BlockIs(s, 1, 2, 9));
  s.ConcatInPlace(0, "ignored");
  s.Release();
  EXPECT_TRUE(OnEmptyBlock(s));
  s.Release();
  EXPECT_TRUE(OnEmptyBlock(s));
}

// Eight threads copy, assign and destroy strings sharing one block; under ThreadSanitizer
// this shows no race, under AddressSanitizer no leak, and the count comes out exact.
TEST(QxStringConcurrency, SharedCountsStayExactAcrossThreads) {
  constexpr int kThreads = 8;
  constexpr int kHeld = 16;
  constexpr int kRounds = 2000;
  const QxString master("one block shared by every thread");
  const QxStringData* block = BlockOf(master);
  // Not std::barrier: its wait in MinGW's C++ library (GCC 12) loses wake-ups and hangs.
  std::mutex mutex;
  std::condition_variable changed;
  int holding = 0;       // threads that hold their kHeld references
  bool checked = false;  // the count was checked: the threads may go on
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&] {
      std::vector<QxString> held(kHeld, master);
      {
        std::unique_lock lock(mutex);
        ++holding;
        changed.notify_all();
        changed.wait(lock, [&] { return checked; });
      }
      for (int round = 0; round < kRounds; ++round) {
        QxString a(master);
        QxString b;
        b = a;
        held[static_cast<std::size_t>(round % kHeld)] = b;
        QxString c(held[static_cast<std::size_t>((round + 1) % kHeld)]);
        a = c;
        c = "private";
        b.Empty();
      }
    });
  }
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return holding == kThreads; });
    EXPECT_EQ(block->refCount, 1 + kThreads * kHeld);
    checked = true;
  }
  changed.notify_all();
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(block->refCount, 1);
  EXPECT_STREQ(master, "one block shared by every thread");
}

}  // namespace
