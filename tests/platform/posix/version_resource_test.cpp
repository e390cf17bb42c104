// Our own PE reader (POSIX): special and oversized files, every truncation and random
// damage, hostile headers and directories, and agreement with an independent reader.
#include "platform/version_resource.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <random>
#include <sstream>

#include "tests/platform/host_layout.h"
#include "tools/pe_writer/PeWriter.h"
#include "tests/support/TempDir.h"
#include "tests/support/posix/ForkedChild.h"

namespace {

using pe_writer::PeLayout;
using testsupport::HostLayout;
using testsupport::kFileVersion;

std::optional<platform::VersionInfo> ReadBytes(const std::string& bytes) {
  testsupport::TempDir dir;
  return platform::VersionInfo::FromFile(dir.Write("file.dll", bytes));
}

TEST(VersionResource, SpecialAndOversizedFilesGiveNoVersionWithoutBlocking) {
  testsupport::TempDir dir;
  ASSERT_EQ(mkfifo((dir.path() / "YlVer.dll").c_str(), 0600), 0);
  // A file past the 4 GiB that PE offsets can reach, with a valid image at its start
  // (sparse: it takes no room on disk).
  const std::string huge = dir.Write("huge.dll", pe_writer::MakePe(HostLayout()));
  ASSERT_EQ(truncate(huge.c_str(), (std::int64_t{4} << 30) + 1), 0);
  // In a child: the bare name is looked for in the current folder, and a reader that blocks
  // is ended by the alarm instead of hanging the test.
  const pid_t child = testsupport::Spawn([&] {
    alarm(10);
    if (chdir(dir.path().c_str()) != 0) return 1;
    if (platform::VersionInfo::FromFile("YlVer.dll")) return 2;
    if (platform::VersionInfo::FromFile((dir.path() / "YlVer.dll").string())) return 3;
    if (platform::VersionInfo::FromFile("/dev/zero")) return 4;
    if (platform::VersionInfo::FromFile(huge)) return 5;
    return 0;
  });
  EXPECT_EQ(testsupport::Wait(child), 0) << "1000 + 14: blocked until the alarm";
}

TEST(VersionResource, EveryTruncationAndRandomDamageGivesNoVersionOrAValidTree) {
  const std::string pe = pe_writer::MakePe(HostLayout(true));
  testsupport::TempDir dir;
  for (std::size_t n = 0; n < pe.size(); n += (n < 0x500 ? 1 : 7)) {
    const auto info = platform::VersionInfo::FromFile(dir.Write("cut.dll", pe.substr(0, n)));
    if (info) {
      EXPECT_LE(info->BlockSize(), 0x10000u);
    }
  }
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = pe;
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
      damaged[random() % damaged.size()] = static_cast<char>(random());
    const auto info = platform::VersionInfo::FromFile(dir.Write("damaged.dll", damaged));
    if (info) (void)info->QueryString(kFileVersion);
  }
}

// Little-endian patches of a made file.
void Put32(std::string& s, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(VersionResource, HostileHeadersAndDirectoriesGiveNoVersion) {
  const std::string pe = pe_writer::MakePe(HostLayout());
  constexpr std::size_t kRsrc = 0x400;  // where the writer puts the resource section
  auto patched = [&](std::size_t at, std::uint32_t v) {
    std::string s = pe;
    Put32(s, at, v);
    return s;
  };
  EXPECT_FALSE(ReadBytes(patched(0x3C, 0xFFFFFFF0)));                // e_lfanew past the end
  EXPECT_FALSE(ReadBytes(patched(0x84, 0xFFFF014C)));                // 65535 sections
  EXPECT_FALSE(ReadBytes(patched(kRsrc + 20, 0x80000000u)));         // type directory points at itself
  EXPECT_FALSE(ReadBytes(patched(kRsrc + 20, 0x8FFFFFFFu)));         // and past the end
  EXPECT_FALSE(ReadBytes(patched(kRsrc + 12, 0xFFFF0000u)));         // 65535 named entries
  const std::size_t data_entry = kRsrc + 16 + 8 + 16 + 8 + 16 + 8;
  EXPECT_FALSE(ReadBytes(patched(data_entry + 4, 0)));               // empty data
  EXPECT_TRUE(ReadBytes(patched(data_entry + 4, 0x7FFFFFFF)));       // entry past the end: the block's length governs
  EXPECT_FALSE(ReadBytes(patched(data_entry + 4, 8)));               // entry shorter than the block
  EXPECT_FALSE(ReadBytes(patched(data_entry, 0xFFFFFF00)));          // RVA outside every section
}

// The independent reader: Debian's python3-pefile.
std::multimap<std::string, std::string> PefileStrings(const std::string& files) {
  const std::string script = std::string(TIDEWELL_SOURCE_DIR) + "/tests/support/pe_versions.py";
  std::FILE* pipe = popen(("/usr/bin/python3 " + script + " " + files).c_str(), "r");
  std::multimap<std::string, std::string> lines;
  if (pipe == nullptr) return lines;
  char buffer[4096];
  std::string out;
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  EXPECT_EQ(pclose(pipe), 0) << "python3-pefile must be installed (scripts/setup)";
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    const auto tab = line.find('\t');
    lines.emplace(line.substr(0, tab), line.substr(tab + 1));
  }
  return lines;
}

TEST(VersionResource, AgreesWithAnIndependentReaderOnEveryStringTable) {
  testsupport::TempDir dir;
  std::vector<std::pair<std::string, PeLayout>> corpus;
  const char* versions[] = {"3.20.4.0", "3, 70, 35, 0", "2.50.7.1", "", "5.1.0.0", " 4 , 1 ", "3.8.3.0",
                            "10.0.19041.1", "1.2", "abc", "3.100.0.0", "0.0.0.0"};
  int n = 0;
  for (const char* version : versions) {
    for (bool plus : {false, true}) {
      PeLayout layout;
      layout.pe32_plus = plus;
      layout.languages = (n % 3 == 0) ? std::vector<std::uint16_t>{1031} : std::vector<std::uint16_t>{0};
      layout.tables = {{"000004b0", {{"FileVersion", version}, {"CompanyName", "Orvane"}}}};
      // Later tables carry a long comment, so that the independent reader, which stops
      // early in short StringFileInfo blocks, sees them too.
      const std::string comment(120, 'c');
      if (n % 2 == 0) layout.tables.push_back({"040904b0", {{"Comments", comment}, {"FileVersion", "9.9.9." + std::to_string(n)}}});
      if (n % 4 == 0) layout.tables.push_back({"040704e4", {{"Comments", comment}, {"FileVersion", "7.7.7." + std::to_string(n)}}});
      corpus.emplace_back(dir.Write("host" + std::to_string(n++) + ".dll", pe_writer::MakePe(layout)), layout);
    }
  }
  ASSERT_GE(corpus.size(), 20u);
  std::string files;
  for (const auto& [path, layout] : corpus) files += path + " ";
  const auto independent = PefileStrings(files);

  for (const auto& [path, layout] : corpus) {
    const auto info = platform::VersionInfo::FromFile(path);
    ASSERT_TRUE(info) << path;
    std::size_t tables_seen = 0;
    for (const auto& table : layout.tables) {
      const auto ours = info->QueryString("\\StringFileInfo\\" + table.name + "\\FileVersion");
      ASSERT_TRUE(ours) << path << " " << table.name;
      const std::string expected_line = table.name + "\tFileVersion\t" + *ours;
      bool found = false;
      for (auto [it, end] = independent.equal_range(path); it != end; ++it) found |= it->second == expected_line;
      EXPECT_TRUE(found) << path << ": " << expected_line;
      ++tables_seen;
    }
    EXPECT_EQ(tables_seen, layout.tables.size());
  }
}

}  // namespace
