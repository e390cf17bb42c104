// Discovery of the installed host products.
#include "products/InstalledProducts.h"

#include <fstream>
#include <vector>

#include "products/HostVersion.h"
#include "tests/products/products_fixture.h"

namespace {

class Discovery : public ProductsTest {
 protected:
  // Registers a product with its settings folder (and a Quenta.ini there unless told not to).
  void Install(const std::string& name, const std::string& version_key, const std::string& ini_folder,
               const std::string& ini_text = "", bool with_ini = true) {
    SetEntry("Software\\Orvane\\" + name + "\\" + version_key + "\\IniFilePath", ini_folder);
    if (with_ini) {
      std::filesystem::create_directories(ini_folder);
      std::string file = ini_folder;
      platform::AppendPathSeparator(file);
      std::ofstream(file + "Quenta.ini", std::ios::binary) << ini_text;
    }
  }

  static std::vector<std::string> Names(const YlInstalledProducts& list) {
    std::vector<std::string> names;
    for (const Product& p : list) names.push_back(static_cast<const char*>(p.displayName));
    return names;
  }
};

TEST_F(Discovery, NothingInstalledGivesAnEmptyList) {
  const YlInstalledProducts list;
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.begin(), list.end());
}

TEST_F(Discovery, ProbeOrderKindsNumbersAndFolders) {
  const std::string loom = Folder("loom"), plus = Folder("plus"), lite = Folder("lite");
  Install("Veltaro Prism Lite", "4.0", lite);
  Install("Veltaro Loom", "4.0", loom);
  Install("Veltaro Prism Plus", "4.0", plus.substr(0, plus.size() - 1));  // no trailing separator
  const YlInstalledProducts list;
  ASSERT_EQ(list.GetCount(), 3);
  const std::vector<std::string> expected = {"Veltaro Loom", "Veltaro Prism Plus", "Veltaro Prism Lite"};
  EXPECT_EQ(Names(list), expected);
  const Product& first = *list.begin();
  EXPECT_EQ(first.kind, productkind::kWeb);
  EXPECT_EQ(first.number, 4);
  EXPECT_STREQ(first.keyPath, "Software\\Orvane\\Veltaro Loom\\4.0");
  EXPECT_EQ(std::string(first.settingsFolder), loom);
  EXPECT_STREQ(std::next(list.begin())->settingsFolder, plus.c_str());
  EXPECT_EQ(std::next(list.begin(), 2)->kind, productkind::kPrismLite);
}

TEST_F(Discovery, FoldersEqualWithoutCaseAreOneInstallation) {
  const std::string folder = Folder("Hosts/A");
  Install("Veltaro Prism Max", "4.0", folder);
  std::string other_case = folder;
  other_case.replace(other_case.find("Hosts/A"), 7, "hosts/a");
  Install("Veltaro Prism Plus", "4.0", other_case, "", false);
  std::filesystem::create_directories(other_case);
  std::ofstream(other_case + "Quenta.ini") << "";
  const YlInstalledProducts list;
  const std::vector<std::string> expected = {"Veltaro Prism Max"};
  EXPECT_EQ(Names(list), expected);
}

TEST_F(Discovery, FoldersEqualWithoutCaseInTheAnsiCodePageAreOneInstallation) {
  const std::string folder = Folder("Programme/\xC4rger");
  Install("Veltaro Prism Max", "4.0", folder);
  const std::string name = "Programme/\xC4rger";
  std::string other_case = folder;
  other_case.replace(other_case.find(name), name.size(), "programme/\xE4rger");
  Install("Veltaro Prism Plus", "4.0", other_case);
  const YlInstalledProducts list;
  const std::vector<std::string> expected = {"Veltaro Prism Max"};
  EXPECT_EQ(Names(list), expected);
}

TEST_F(Discovery, FoldersWithoutQuentaIniOrWithTooLongNamesAreNotListed) {
  const std::string empty = Folder("empty");
  Install("Veltaro Loom", "4.0", empty, "", false);
  SetEntry("Software\\Orvane\\Veltaro Loom\\4.0\\InstallPath", Folder("install"));
  const std::string long_folder = Folder(std::string(250, 'l'));  // with its parents: 255 or more
  Install("Veltaro Prism Max", "4.0", long_folder);
  const YlInstalledProducts list;
  EXPECT_EQ(list.GetCount(), 0);
}

TEST_F(Discovery, TheBaseProductsModules) {
  constexpr std::uint32_t kNotListed = 0;
  const struct { const char* ini; std::uint32_t kind; } cases[] = {
      {"[YlAtrium_#_Setup]\r\nYlPrism=1\r\nYlLoom=1\r\n", productkind::kWeb},
      {"[YlAtrium_#_Setup]\r\nYlPrism=1\r\n", productkind::kBasePhoto},
      {"[YlAtrium_#_Setup]\r\nYlLoom=1\r\n", productkind::kWeb},
      {"[YlAtrium_#_Setup]\r\nYlPrism=0\r\nYlLoom=01\r\n", kNotListed},
      {"[YlAtrium_#_Setup]\r\nYlLoom=yes\r\n", kNotListed},
      {"[Other]\r\nYlPrism=1\r\n", kNotListed},
  };
  const std::string folder = Folder("atrium");
  for (const auto& c : cases) {
    Install("Veltaro Atrium", "1.0", folder, c.ini);
    const YlInstalledProducts list;
    if (c.kind == kNotListed) {
      EXPECT_EQ(list.GetCount(), 0) << c.ini;
      continue;
    }
    ASSERT_EQ(list.GetCount(), 1) << c.ini;
    EXPECT_EQ(list.begin()->kind, c.kind) << c.ini;
    EXPECT_EQ(list.begin()->number, 2);
    EXPECT_STREQ(list.begin()->keyPath, "Software\\Orvane\\Veltaro Atrium\\1.0");
  }
}

TEST_F(Discovery, TheBaseProductSharingLoomsFolderIsNotListedAgain) {
  const std::string folder = Folder("shared");
  Install("Veltaro Atrium", "1.0", folder, "[YlAtrium_#_Setup]\r\nYlPrism=1\r\n");
  Install("Veltaro Loom", "4.0", folder, "[YlAtrium_#_Setup]\r\nYlPrism=1\r\n");
  const YlInstalledProducts list;
  const std::vector<std::string> expected = {"Veltaro Loom"};
  EXPECT_EQ(Names(list), expected);
}

TEST_F(Discovery, EachRecordCarriesCopiesOfItsVersionTexts) {
  const std::string loom = Folder("loom"), max = Folder("max");
  const std::string loom_install = Folder("loom-install"), max_install = Folder("max-install");
  Install("Veltaro Loom", "4.0", loom);
  Install("Veltaro Prism Max", "4.0", max);
  SetEntry("Software\\Orvane\\Veltaro Loom\\4.0\\InstallPath", loom_install + "   ");
  SetEntry("Software\\Orvane\\Veltaro Prism Max\\4.0\\InstallPath", max_install);
  WriteVersionFile(loom_install, "3.5.1.0");
  WriteVersionFile(max_install, "2.50.7.1");
  const YlInstalledProducts list;
  ASSERT_EQ(list.GetCount(), 2);
  const Product& first = *list.begin();
  const Product& second = *std::next(list.begin());
  EXPECT_EQ(std::string(first.installFolder), loom_install);  // trailing blanks removed
  EXPECT_STREQ(first.hostFileVersion, "3.5.1.0");
  EXPECT_STREQ(first.productVersion, "1.25");  // Loom form
  EXPECT_STREQ(second.hostFileVersion, "2.50.7.1");
  EXPECT_STREQ(second.productVersion, "0.0.7.1");  // Max form
  EXPECT_STREQ(GetHostFileVersion(), "2.50.7.1");  // the state holds the last record's read
}

TEST_F(Discovery, AMissingInstallPathReadsTheBareName) {
  Install("Veltaro Prism Lite", "4.0", Folder("lite"));
  WriteVersionFile(std::filesystem::current_path().string() + "/", "3.20.4.0");
  const YlInstalledProducts list;
  ASSERT_EQ(list.GetCount(), 1);
  EXPECT_STREQ(list.begin()->installFolder, "");
  EXPECT_STREQ(list.begin()->hostFileVersion, "3.20.4.0");
}

}  // namespace
