// The machine-wide lock across processes, which every backend keeps: it makes a
// read-then-write sequence of the registry atomic, nests in one thread, and is free for
// another process once released.
#include "platform/machine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/registry.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScratchKey.h"
#include "tests/support/TestMachine.h"

namespace {

using platform::KeyAccess;
using platform::RegistryKey;

// The counter's key below the current user's scratch key, whose path is the child's argument.
std::string CounterPath(const std::string& scratch) { return scratch + "\\Orvane\\LastUser"; }

// Hands out the next number of the counter under the lock; the number is the result.
TIDEWELL_CHILD(IncrementCounter) {
  platform::MachineLock lock;
  if (lock.Acquire() != platform::kErrorSuccess) return 200;
  RegistryKey key;
  if (args.size() != 1) return 204;
  if (platform::OpenKey(HKEY_CURRENT_USER, CounterPath(args[0]).c_str(), KeyAccess::kReadWrite, key) != 0)
    return 201;
  std::string text;
  if (platform::QueryTextValue(key.get(), nullptr, text) != 0) return 202;
  const int next = std::stoi(text) + 1;
  // Widens the window between read and write that the lock must close.
  std::this_thread::sleep_for(std::chrono::milliseconds(15));
  if (platform::SetTextValue(key.get(), nullptr, std::to_string(next)) != 0) return 203;
  return next;
}

TIDEWELL_CHILD(AcquireNested) {
  platform::MachineLock outer;
  platform::MachineLock inner;
  if (outer.Acquire() != 0 || inner.Acquire() != 0 || !inner.held()) return 1;
  inner.Release();
  if (inner.held() || !outer.held()) return 2;
  return 0;
}

TIDEWELL_CHILD(Acquire) {
  platform::MachineLock lock;
  return lock.Acquire() == 0 ? 0 : 1;
}

class MachineLock : public ::testing::Test {
 protected:
  testsupport::TestMachine machine_;
  testsupport::ScratchKey scratch_;
};

TEST_F(MachineLock, MakesReadIncrementWriteAtomicAcrossProcesses) {
  RegistryKey counter;
  ASSERT_EQ(platform::CreateKey(scratch_.get(), "Orvane\\LastUser", counter), 0);
  ASSERT_EQ(platform::SetTextValue(counter.get(), nullptr, "0"), 0);

  constexpr int kProcesses = 8;
  std::vector<testsupport::ChildProcess> children;
  for (int i = 0; i < kProcesses; ++i)
    children.emplace_back("IncrementCounter", std::vector<std::string>{scratch_.path()});
  std::vector<int> numbers;
  for (testsupport::ChildProcess& child : children) numbers.push_back(child.Wait());
  std::sort(numbers.begin(), numbers.end());
  EXPECT_EQ(numbers, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
  std::string text;
  EXPECT_EQ(platform::QueryTextValue(counter.get(), nullptr, text), 0);
  EXPECT_EQ(text, "8");
}

TEST_F(MachineLock, NestsInOneThread) {
  // A nested acquisition that waited for itself would never end: the deadline tells.
  EXPECT_EQ(testsupport::RunChild("AcquireNested", {}, std::chrono::seconds(10)), 0)
      << testsupport::kChildTimedOut << ": blocked";

  // Released means released: another process gets it at once.
  platform::MachineLock mine;
  ASSERT_EQ(mine.Acquire(), 0);
  mine.Release();
  EXPECT_EQ(testsupport::RunChild("Acquire", {}, std::chrono::seconds(10)), 0);
}

}  // namespace
