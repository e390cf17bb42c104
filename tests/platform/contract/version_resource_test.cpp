// Version resources as every backend reads them: PE32 and PE32+ files, queries by sub-block
// path, the choice of language, finding bare file names, files without a version, and
// damaged blocks.
#include "platform/version_resource.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "tests/platform/host_layout.h"
#include "tools/pe_writer/PeWriter.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/Wine.h"

namespace {

using pe_writer::PeLayout;
using testsupport::HostLayout;
using testsupport::kFileVersion;

std::optional<platform::VersionInfo> Read(const PeLayout& layout) {
  testsupport::TempDir dir;
  return platform::VersionInfo::FromFile(dir.Write("YlVer.dll", pe_writer::MakePe(layout)));
}

std::optional<platform::VersionInfo> ReadBytes(const std::string& bytes) {
  testsupport::TempDir dir;
  return platform::VersionInfo::FromFile(dir.Write("file.dll", bytes));
}

TEST(VersionResource, ReadsPe32AndPe32Plus) {
  for (bool plus : {false, true}) {
    const auto info = Read(HostLayout(plus));
    ASSERT_TRUE(info) << plus;
    EXPECT_EQ(info->QueryString(kFileVersion), "3, 70, 35, 0");
    EXPECT_EQ(info->QueryString("\\StringFileInfo\\040904b0\\FileVersion"), "9.8.7.6");
    EXPECT_EQ(info->BlockSize(), pe_writer::MakeVersionBlock(HostLayout(plus)).size());
    const auto fixed = info->Fixed();
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->file_version_ms, (3u << 16) | 70);
    EXPECT_EQ(fixed->file_version_ls, 35u << 16);
    EXPECT_EQ(info->Root().key, u"VS_VERSION_INFO");
  }
}

TEST(VersionResource, QueriesIgnoreCaseSkipEmptyComponentsAndNeverFallBack) {
  const auto info = Read(HostLayout());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->QueryString("\\stringfileinfo\\000004B0\\FILEVERSION"), "3, 70, 35, 0");
  EXPECT_EQ(info->QueryString("\\\\StringFileInfo\\\\000004b0\\FileVersion\\"), "3, 70, 35, 0");
  EXPECT_EQ(info->QueryString("StringFileInfo\\000004b0\\FileVersion"), "3, 70, 35, 0");
  EXPECT_EQ(info->QueryString("\\StringFileInfo\\000004b0\\Empty"), "");
  EXPECT_EQ(info->QueryString("\\StringFileInfo\\040904b0\\OnlyNeutral"), std::nullopt);
  EXPECT_EQ(info->QueryString("\\StringFileInfo\\000004b0\\Missing"), std::nullopt);
  EXPECT_EQ(info->QueryString("\\StringFileInfo\\000004b0"), std::nullopt);  // a table, not a text
  EXPECT_EQ(info->QueryString("\\VarFileInfo\\Translation"), std::nullopt);   // binary
  const platform::VersionBlock* translation = info->Find("\\VarFileInfo\\Translation");
  ASSERT_NE(translation, nullptr);
  EXPECT_EQ(translation->data, (std::vector<unsigned char>{0x00, 0x00, 0xB0, 0x04}));
  EXPECT_EQ(info->Find("\\"), &info->Root());
}

TEST(VersionResource, TextsComeBackInTheAnsiCodePage) {
  const auto info = Read(HostLayout());
  ASSERT_TRUE(info);
  EXPECT_EQ(info->QueryString("\\StringFileInfo\\000004b0\\ProductName"), "Veltaro Caf\xE9 ?");
}

// The resource language of the block the reading child found: the index of that language in
// its arguments after the file, 255 when it found none or another.
TIDEWELL_CHILD(VersionResourceLanguage) {
  const auto info = platform::VersionInfo::FromFile(args.at(0));
  if (!info) return 255;
  const auto read = info->QueryString("\\StringFileInfo\\000004b0\\ResourceLanguage");
  for (std::size_t i = 1; i < args.size(); ++i)
    if (read == args[i]) return static_cast<int>(i - 1);
  return 255;
}

// Windows: a version block is loaded as a neutral request: neutral, the user's interface
// language, the system's, English (US), then the first of the file.
TEST(VersionResource, TheLanguageIsNeutralThenTheUsersThenEnglishThenTheFirst) {
  const struct {
    std::vector<std::uint16_t> languages;
    const char* locale;
    int chosen;  // index into languages
  } cases[] = {
      {{1031, 0, 1033}, "de_DE.UTF-8", 1},
      {{1040, 1031, 1033}, "de_DE.UTF-8", 1},
      {{1040, 1031, 1033}, "it_IT.UTF-8", 0},
      {{1040, 1031, 1033}, "fr_FR.UTF-8", 2},
      {{1040, 1031}, "fr_FR.UTF-8", 0},
  };
  testsupport::TempDir dir;
  for (const auto& c : cases) {
    // Wine fixes its interface language when its session starts (English here): a child
    // started from the tests keeps it whatever its locale variables say, so the rows that
    // need German or Italian are checked natively and on Windows only.
    if (testsupport::UnderWine() && c.chosen < 2 && c.languages.size() == 3 && c.languages[1] != 0) continue;
    PeLayout layout = HostLayout();
    layout.tag_languages = true;
    layout.languages = c.languages;
    const std::string file = dir.Write("YlVer.dll", pe_writer::MakePe(layout));
    std::vector<std::string> args = {file};
    for (std::uint16_t language : c.languages) args.push_back(std::to_string(language));
    testsupport::ScopedEnv env;
    env.Set("LC_ALL", c.locale).Set("LC_MESSAGES", c.locale).Set("LANG", c.locale);
    EXPECT_EQ(testsupport::RunChild("VersionResourceLanguage", args), c.chosen) << c.locale << " " << args[1];
  }
}

// Windows: the block's own length governs, whatever the size of its resource data entry.
TEST(VersionResource, ADataEntryLargerThanItsBlockGivesTheBlock) {
  PeLayout layout = HostLayout();
  layout.data_entry_slack = 70000;  // past what a 16-bit block length can say
  const auto info = Read(layout);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->QueryString(kFileVersion), "3, 70, 35, 0");
  EXPECT_EQ(info->BlockSize(), pe_writer::MakeVersionBlock(layout).size());
}

TEST(VersionResource, FilesWithoutAVersionResourceGiveNothing) {
  PeLayout layout = HostLayout();
  layout.version_resource = false;
  EXPECT_FALSE(Read(layout));
  testsupport::TempDir dir;
  EXPECT_FALSE(platform::VersionInfo::FromFile((dir.path() / "missing.dll").string()));
  EXPECT_FALSE(platform::VersionInfo::FromFile(dir.path().string()));
  EXPECT_FALSE(platform::VersionInfo::FromFile(""));
  EXPECT_FALSE(ReadBytes(""));
  EXPECT_FALSE(ReadBytes("MZ"));
  EXPECT_FALSE(ReadBytes("just some text, not an executable"));
}

TEST(VersionResource, ABareNameIsFoundInTheProgramsFolderThenTheCurrentFolder) {
  testsupport::TempDir dir;
  const auto old_cwd = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  PeLayout in_cwd = HostLayout();
  in_cwd.tables[0].strings[0].second = "1.0.0.0";
  dir.Write("TidewellBareName.dll", pe_writer::MakePe(in_cwd));
  EXPECT_EQ(platform::VersionInfo::FromFile("TidewellBareName.dll")->QueryString(kFileVersion), "1.0.0.0");

  std::string program_folder;
  ASSERT_TRUE(platform::ProgramFolder(program_folder));
  const std::string beside_program = program_folder + "TidewellBareName.dll";
  {
    std::ofstream out(beside_program, std::ios::binary);
    out << pe_writer::MakePe(HostLayout());
  }
  const auto info = platform::VersionInfo::FromFile("TidewellBareName.dll");
  std::filesystem::remove(beside_program);
  std::filesystem::current_path(old_cwd);
  ASSERT_TRUE(info);
  EXPECT_EQ(info->QueryString(kFileVersion), "3, 70, 35, 0");
}

TEST(VersionResource, DamagedBlocksNeverHangOrReadOutside) {
  const std::string good = pe_writer::MakeVersionBlock(HostLayout());
  auto parse = [](const std::string& s) {
    return platform::VersionInfo::FromBlock({reinterpret_cast<const unsigned char*>(s.data()), s.size()});
  };
  ASSERT_TRUE(parse(good));
  EXPECT_FALSE(parse(""));
  EXPECT_FALSE(parse(std::string("\x04\x00\x00\x00\x00\x00", 6)));  // length below the header
  std::string zero_child = good;
  zero_child[92] = zero_child[93] = 0;  // the first child's wLength
  const auto info = parse(zero_child);
  ASSERT_TRUE(info);
  EXPECT_TRUE(info->Root().children.empty());
  std::string long_value = good;
  long_value[2] = long_value[3] = '\xFF';  // wValueLength past the block
  EXPECT_FALSE(parse(long_value));

  // 2,000 nested blocks: read to a bounded depth.
  std::string nested;
  for (int depth = 0; depth < 2000; ++depth) {
    std::string b(8, '\0');
    const std::size_t length = 8 + nested.size();
    if (length > 0xFFFF) break;
    b[0] = static_cast<char>(length & 0xFF);
    b[1] = static_cast<char>(length >> 8);
    b[6] = 'k';
    nested = b + nested;
  }
  EXPECT_TRUE(parse(nested));
}

}  // namespace
