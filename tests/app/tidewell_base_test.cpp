// CTidewellBase against a substitute user interface that records what it is asked to show.
#include "app/TidewellBase.h"

#include <fstream>
#include <vector>

#include "tests/products/products_fixture.h"

namespace {

class RecordingUi : public CTidewellBase {
 public:
  struct Box {
    std::string text, caption;
    unsigned flags;
  };
  std::vector<const Product*> listed;
  std::vector<Box> boxes;

  void UpdateControls() override {}
  int ShowMessageBox(const char* text, const char* caption, unsigned flags) override {
    boxes.push_back({text, caption, flags});
    return 1;
  }
  std::string GetLocalizedString(const char* key) override { return std::string("text of ") + key; }
  void AddProduct(const Product* product) override { listed.push_back(product); }
};

using TidewellBase = ProductsTest;

TEST_F(TidewellBase, EveryInstalledHostIsListedInOrder) {
  InstallHost("Veltaro Prism Plus", "3.20.4.0");
  InstallHost("Veltaro Loom", "4.0.0.0");
  RecordingUi ui;
  ui.FillProductList();
  ASSERT_EQ(ui.listed.size(), 2u);
  EXPECT_STREQ(ui.listed[0]->displayName, "Veltaro Loom");
  EXPECT_STREQ(ui.listed[1]->displayName, "Veltaro Prism Plus");
}

TEST_F(TidewellBase, NoHostListsNothing) {
  RecordingUi ui;
  ui.FillProductList();
  EXPECT_TRUE(ui.listed.empty());
  EXPECT_FALSE(ui.CheckHostVersion(nullptr));
  EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(TidewellBase, TheVersionCheckReadsTheFileAtEveryConfirmation) {
  const std::string install = InstallHost("Veltaro Prism Max", "3.20.4.0");
  RecordingUi ui;
  ui.FillProductList();
  ASSERT_EQ(ui.listed.size(), 1u);
  const Product* host = ui.listed[0];
  EXPECT_TRUE(ui.CheckHostVersion(host));  // exactly the minimum
  EXPECT_TRUE(ui.boxes.empty());

  const struct { const char* version; bool passes; } cases[] = {
      {"3.20.3.9", false}, {"3.100.0.0", true}, {"3.20", false}, {"4.0.0.0", true}, {"2.99.0.0", false},
  };
  for (const auto& c : cases) {
    WriteVersionFile(install, c.version);
    ui.boxes.clear();
    EXPECT_EQ(ui.CheckHostVersion(host), c.passes) << c.version;
    if (!c.passes) {
      ASSERT_EQ(ui.boxes.size(), 1u) << c.version;
      EXPECT_EQ(ui.boxes[0].text, "text of LUMORA_VELTARO_UPDATE_VERSION");
      EXPECT_EQ(ui.boxes[0].caption, "text of LUMORA_TITLE");
      EXPECT_EQ(ui.boxes[0].flags, 48u);
    }
  }
  // A file that cannot be read now fails, whatever was read before.
  std::filesystem::remove(install + "YlVer.dll");
  ui.boxes.clear();
  EXPECT_FALSE(ui.CheckHostVersion(host));
  EXPECT_EQ(ui.boxes.size(), 1u);
}

}  // namespace
