// The host version reader: comparisons, the derived version texts, where "YlVer.dll" is
// looked for, and the base product's location as the fallback.
#include "products/HostVersion.h"

#include <fstream>

#include "tests/products/products_fixture.h"

namespace {

// First in the file: ctest runs every case in a process of its own, and so does a plain run
// of this one before any other.
TEST(HostVersionState, BeforeAnyReadThereAreNoTexts) {
  EXPECT_EQ(GetHostFileVersion(), nullptr);
  EXPECT_EQ(GetBaseVersionText(), nullptr);
  EXPECT_EQ(CompareHostVersion("0.0.0.0"), -1);
  EXPECT_EQ(CompareHostVersion(nullptr), 1);
}

TEST(CompareVersions, FieldsCompareAsNumbersAndMissingFieldsCountAsMinusOne) {
  EXPECT_EQ(CompareVersions("3.20.4.0", "3.20.4.0"), 0);
  EXPECT_EQ(CompareVersions("3.20.3.9", "3.20.4.0"), -1);
  EXPECT_EQ(CompareVersions("3.100.0.0", "3.20.4.0"), 1);
  EXPECT_EQ(CompareVersions("3.20", "3.20.0.0"), -1);
  EXPECT_EQ(CompareVersions("3.20.0", "3.20"), 1);
  EXPECT_EQ(CompareVersions("", "0.0.0.0"), -1);
  EXPECT_EQ(CompareVersions(kNoHostVersionFile, "0.0.0.0"), -1);
  EXPECT_EQ(CompareVersions(kNoHostVersionFile, "-1.-1.-1.-1"), 0);
  EXPECT_EQ(CompareVersions(" 3. 70. 35. 0", "3.70.35.0"), 0);
  EXPECT_EQ(CompareVersions("4.0.0.0", "3.99999999999.0.0"), 1);  // fields are 32-bit
  EXPECT_EQ(CompareVersions(nullptr, nullptr), 0);
  EXPECT_EQ(CompareVersions(nullptr, "1"), -1);
  EXPECT_EQ(CompareVersions("1", nullptr), 1);
}

using HostVersion = ProductsTest;

TEST_F(HostVersion, DerivedTextsFollowTheProductTable) {
  const struct { const char* file; const char* host; const char* base; const char* max; const char* loom; } cases[] = {
      {"3, 70, 35, 0", "3. 70. 35. 0", "3.70", "3.70", "3.70"},
      {"3.5.1.0", "3.5.1.0", "3.5", "3.5", "1.25"},
      {"3.8.4.0", "3.8.4.0", "3.8", "3.8", "3.8"},
      {"3.8.3.0", "3.8.3.0", "3.8", "3.8", "1.28"},
      {"2.50.7.1", "2.50.7.1", "2.50.7.1", "0.0.7.1", "1.53.7.1"},
      {"2.99.0.0", "2.99.0.0", "2.99", "0.0", "2.99"},
      {"5.1.0.0", "5.1.0.0", "0.1", "0.1", "0.1"},
      {"1.7.0.0", "1.7.0.0", "1.7", "0.0", "1.7"},
      {"4.2.0.3", "4.2.0.3", "4.2.0.3", "4.2.0.3", "4.2.0.3"},
      {"garbage", "garbage", "0.0", "0.0", "0.0"},
  };
  const std::string folder = Folder("host");
  for (const auto& c : cases) {
    WriteVersionFile(folder, c.file);
    ReadHostVersion(folder.c_str());
    EXPECT_STREQ(GetHostFileVersion(), c.host) << c.file;
    EXPECT_STREQ(GetBaseVersionText(), c.base) << c.file;
    EXPECT_STREQ(GetMaxVersionText(), c.max) << c.file;
    EXPECT_STREQ(GetLoomVersionText(), c.loom) << c.file;
  }
  WriteVersionFile(folder, "3.20.4.0");
  ReadHostVersion(folder.c_str());
  EXPECT_EQ(CompareHostVersion("3.20.4.0"), 0);
  WriteVersionFile(folder, "3.20.3.9");
  ReadHostVersion(folder.c_str());
  EXPECT_EQ(CompareHostVersion("3.20.4.0"), -1);
}

TEST_F(HostVersion, TheFolderIsAPlainPrefix) {
  const std::string folder = Folder("hosts/A");
  WriteVersionFile(folder, "3.20.4.0");
  const std::string without_separator = folder.substr(0, folder.size() - 1);  // names .../AYlVer.dll
  ReadHostVersion(without_separator.c_str());
  EXPECT_STREQ(GetHostFileVersion(), kNoHostVersionFile);
  EXPECT_STREQ(GetLoomVersionText(), kNoHostVersionFile);
  EXPECT_EQ(CompareHostVersion("0.0.0.0"), -1);
  ReadHostVersion(folder.c_str());
  EXPECT_STREQ(GetHostFileVersion(), "3.20.4.0");
}

TEST_F(HostVersion, ABareNameIsLookedForInTheCurrentFolder) {
  ReadHostVersion(nullptr);
  EXPECT_STREQ(GetHostFileVersion(), kNoHostVersionFile);
  WriteVersionFile(std::filesystem::current_path().string() + "/", "4.1.0.0");
  ReadHostVersion("");
  EXPECT_STREQ(GetHostFileVersion(), "4.1.0.0");
}

TEST_F(HostVersion, AResourceWithoutTheNeutralFileVersionCountsAsNoFile) {
  pe_writer::PeLayout layout;
  layout.tables = {{"040904b0", {{"FileVersion", "9.9.9.9"}}}};
  const std::string folder = Folder("english-only");
  std::ofstream(folder + "YlVer.dll", std::ios::binary) << pe_writer::MakePe(layout);
  ReadHostVersion(folder.c_str());
  EXPECT_STREQ(GetHostFileVersion(), kNoHostVersionFile);
}

TEST_F(HostVersion, WithoutTheFileTheBaseProductsLocationIsTried) {
  // Pellow.inf in the current folder names the base product; its IniFilePath names the
  // folder of the family file, whose "Base" entry names where YlVer.dll lies.
  std::ofstream("Pellow.inf", std::ios::binary)
      << "[YlAtrium]\r\nCompany=Orvane\r\nProduct=Veltaro Atrium\r\nVersion=1.0\r\nShortId=YlAtrium\r\n";
  const std::string settings = Folder("settings");
  const std::string base = Folder("base");
  SetEntry("Software\\Orvane\\Veltaro Atrium\\1.0\\IniFilePath", settings);
  WriteVersionFile(base, "2.50.7.1");
  const std::string missing = Folder("no-version-here");

  std::ofstream(settings + "Quenta.ini", std::ios::binary) << "[YlAtrium_#_Locations]\r\nBase=0\r\n";
  ReadHostVersion(missing.c_str());
  EXPECT_STREQ(GetHostFileVersion(), kNoHostVersionFile);  // "0": no fallback

  std::ofstream(settings + "Quenta.ini", std::ios::binary) << "[YlAtrium_#_Locations]\r\nBase=" << base << "\r\n";
  ReadHostVersion(missing.c_str());
  EXPECT_STREQ(GetHostFileVersion(), "2.50.7.1");
  EXPECT_STREQ(GetLoomVersionText(), "1.53.7.1");

  std::ofstream(settings + "Quenta.ini", std::ios::binary) << "[YlAtrium_#_Locations]\r\nOther=1\r\n";
  ReadHostVersion(missing.c_str());
  EXPECT_STREQ(GetHostFileVersion(), kNoHostVersionFile);  // no entry: the default "0"
}

}  // namespace
