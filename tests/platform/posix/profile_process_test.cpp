// The profile functions across processes: concurrent writers lose nothing, a writer killed
// at any moment leaves the old or the new file, and a reader sees another process's change
// at its next read.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/profile.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

using testsupport::FileContents;

std::string Read(const std::string& file, const char* section, const char* key) {
  char buffer[128];
  const std::uint32_t count = platform::ReadProfileEntry(section, key, "<missing>", buffer, sizeof buffer, file.c_str());
  return std::string(buffer, count);
}

TEST(ProfileProcesses, ConcurrentWritersLoseNoEntry) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("shared.ini", "; shared by eight writers\r\n");
  constexpr int kWriters = 8;
  constexpr int kKeys = 200;
  const auto started = std::chrono::steady_clock::now();
  std::vector<pid_t> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.push_back(testsupport::Spawn([&file, w] {
      for (int k = 0; k < kKeys; ++k) {
        // Half the writers share one section, half have their own, so both the append to a
        // section and the creation of sections race.
        const std::string section = w % 2 == 0 ? "Shared" : "Writer" + std::to_string(w);
        const std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
        if (!platform::WriteProfileEntry(section.c_str(), key.c_str(), std::to_string(k * kWriters + w).c_str(),
                                         file.c_str()))
          return 1;
      }
      return 0;
    }));
  }
  for (const pid_t writer : writers) EXPECT_EQ(testsupport::Wait(writer), 0);
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
  RecordProperty("milliseconds", static_cast<int>(elapsed.count()));

  int missing = 0;
  for (int w = 0; w < kWriters; ++w) {
    const std::string section = w % 2 == 0 ? "Shared" : "Writer" + std::to_string(w);
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = "w" + std::to_string(w) + "k" + std::to_string(k);
      if (Read(file, section.c_str(), key.c_str()) != std::to_string(k * kWriters + w)) ++missing;
    }
  }
  EXPECT_EQ(missing, 0);
  EXPECT_TRUE(FileContents(file).starts_with("; shared by eight writers\r\n"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "lock or temporary files left";
}

// The file a writer makes when it sets "counter" to n over the filler below: big enough that
// a kill often lands inside a write.
std::string Version(int n) {
  std::string bytes = "[State]\r\ncounter=" + std::to_string(n) + "\r\n[Filler]\r\n";
  for (int i = 0; i < 1500; ++i) bytes += "line" + std::to_string(i) + "=" + std::string(30, 'x') + "\r\n";
  return bytes;
}

TEST(ProfileProcesses, AKilledWriterLeavesTheOldOrTheNewFile) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("state.ini", Version(0));
  std::mt19937 random(20240601);
  int last = 0;
  for (int round = 0; round < 100; ++round) {
    int started[2];
    ASSERT_EQ(pipe(started), 0);
    const pid_t writer = testsupport::Spawn([&file, last, &started] {
      for (int n = last + 1;; ++n) {
        if (!platform::WriteProfileEntry("State", "counter", std::to_string(n).c_str(), file.c_str())) return 1;
        if (n == last + 1 && write(started[1], "w", 1) != 1) return 2;
      }
    });
    // The kill lands at a random moment once the writer is under way.
    char signal = 0;
    ASSERT_EQ(read(started[0], &signal, 1), 1);
    close(started[0]);
    close(started[1]);
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
    kill(writer, SIGKILL);
    ASSERT_EQ(testsupport::Wait(writer), 1000 + SIGKILL);

    const std::string bytes = FileContents(file);
    const std::string counter = Read(file, "State", "counter");
    ASSERT_NE(counter, "<missing>") << "round " << round;
    const int n = std::stoi(counter);
    ASSERT_EQ(bytes, Version(n)) << "round " << round << ": a partly written file";
    ASSERT_GT(n, last);
    last = n;
  }
  // Every other process still gets the file's lock after the kills, and its write removes
  // the temporary files the killed writers left.
  EXPECT_TRUE(platform::WriteProfileEntry("State", "counter", "done", file.c_str()));
  EXPECT_EQ(Read(file, "State", "counter"), "done");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << "temporary files left";
}

TEST(ProfileProcesses, AWriteRemovesOnlyItsOwnFilesLeftoverTemporaries) {
  testsupport::TempDir dir;
  const std::string file = dir.Write("Quenta.ini", "[S]\r\nk=1\r\n");
  // What writers of this file that died leave: ".<name>.<pid>.<number>.tmp".
  const std::vector<std::string> stale = {".Quenta.ini.123.0.tmp", ".Quenta.ini.4194304.17.tmp",
                                          ".Quenta.ini." + std::to_string(getpid()) + ".9.tmp"};
  // Other files' temporaries, and whatever else only looks alike.
  const std::vector<std::string> kept = {".Quenta.ini.tmp",      ".Quenta.ini.1.2.3.tmp", ".Quenta.ini.1..tmp",
                                         ".Quenta.ini.a.1.tmp",  ".Quenta.ini.1.2.tmp~",  ".quenta.ini.1.2.tmp",
                                         ".Other.ini.1.2.tmp",   "Quenta.ini.1.2.tmp",    ".Quenta.ini.bak.1.2.tmp"};
  for (const std::string& name : stale) dir.Write(name, "stale copy");
  for (const std::string& name : kept) dir.Write(name, "kept");
  std::filesystem::create_directory(dir.path() / ".Quenta.ini.5.5.tmp");

  ASSERT_TRUE(platform::WriteProfileEntry("S", "k", "2", file.c_str()));
  for (const std::string& name : stale) EXPECT_FALSE(std::filesystem::exists(dir.path() / name)) << name;
  for (const std::string& name : kept) EXPECT_EQ(FileContents((dir.path() / name).string()), "kept") << name;
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / ".Quenta.ini.5.5.tmp"));
  EXPECT_EQ(Read(file, "S", "k"), "2");
}

}  // namespace
