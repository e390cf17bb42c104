// The DLGTEMPLATEEX parser on a template the resource compiler made (a dialog with a font, a
// button, a control of a named class and an icon), on every truncation of it and on damage.
#include "tests/windows_program/dialog_template.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// DIALOGEX 10, 20, 100, 50; STYLE DS_SETFONT | WS_POPUP | WS_CAPTION; EXSTYLE WS_EX_TOOLWINDOW;
// CAPTION "Ab"; FONT 9, "Arial", 700, 1; PUSHBUTTON "Go", 7, 1, 2, 30, 12;
// CONTROL "x", 8, "Pane", 0x50010000, 3, 4, 5, 6; ICON 128, 9, 0, 0, 0, 0.
const std::vector<unsigned char> kCompiled = {
    0x01, 0x00, 0xff, 0xff, 0x00, 0x00, 0x00, 0x00, 0x80, 0x00, 0x00, 0x00, 0x40, 0x00, 0xc0, 0x80,
    0x03, 0x00, 0x0a, 0x00, 0x14, 0x00, 0x64, 0x00, 0x32, 0x00, 0x00, 0x00, 0x00, 0x00, 0x41, 0x00,
    0x62, 0x00, 0x00, 0x00, 0x09, 0x00, 0xbc, 0x02, 0x01, 0x00, 0x41, 0x00, 0x72, 0x00, 0x69, 0x00,
    0x61, 0x00, 0x6c, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x01, 0x50, 0x01, 0x00, 0x02, 0x00, 0x1e, 0x00, 0x0c, 0x00, 0x07, 0x00, 0x00, 0x00,
    0xff, 0xff, 0x80, 0x00, 0x47, 0x00, 0x6f, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x50, 0x03, 0x00, 0x04, 0x00, 0x05, 0x00, 0x06, 0x00,
    0x08, 0x00, 0x00, 0x00, 0x50, 0x00, 0x41, 0x00, 0x4e, 0x00, 0x45, 0x00, 0x00, 0x00, 0x78, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x50,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0xff, 0xff, 0x82, 0x00,
    0xff, 0xff, 0x80, 0x00, 0x00, 0x00};

TEST(DialogTemplate, ReadsTheCompilersTemplate) {
  const auto dialog = testsupport::ParseDialogTemplateEx(kCompiled);
  ASSERT_TRUE(dialog);
  EXPECT_EQ(dialog->style, 0x80C00040u);
  EXPECT_EQ(dialog->ex_style, 0x80u);
  EXPECT_EQ(dialog->x + dialog->y + dialog->cx + dialog->cy, 10 + 20 + 100 + 50);
  EXPECT_EQ(dialog->title, u"Ab");
  ASSERT_TRUE(dialog->font);
  EXPECT_EQ(dialog->font->point_size, 9);
  EXPECT_EQ(dialog->font->weight, 700);
  EXPECT_EQ(dialog->font->italic, 1);
  EXPECT_EQ(dialog->font->typeface, u"Arial");
  ASSERT_EQ(dialog->items.size(), 3u);
  const auto& button = dialog->items[0];
  EXPECT_EQ(button.id, 7u);
  EXPECT_EQ(button.cx, 30);
  EXPECT_TRUE(button.window_class.is_ordinal);
  EXPECT_EQ(button.window_class.ordinal, 0x80);
  EXPECT_EQ(button.title.text, u"Go");
  const auto& named = dialog->items[1];
  EXPECT_EQ(named.style, 0x50010000u);
  EXPECT_FALSE(named.window_class.is_ordinal);
  EXPECT_EQ(named.window_class.text, u"PANE");  // the compiler stores class names upper-cased
  const auto& icon = dialog->items[2];
  EXPECT_EQ(icon.id, 9u);
  EXPECT_EQ(icon.window_class.ordinal, 0x82);
  EXPECT_TRUE(icon.title.is_ordinal);
  EXPECT_EQ(icon.title.ordinal, 128);
}

TEST(DialogTemplate, TruncationsAndForeignHeadersGiveNothingAndDamageNeverCrashes) {
  for (std::size_t n = 0; n < kCompiled.size(); ++n)
    EXPECT_FALSE(testsupport::ParseDialogTemplateEx(std::span(kCompiled).first(n))) << n << " bytes";
  auto patched = [](std::size_t at, unsigned char value) {
    auto bytes = kCompiled;
    bytes[at] = value;
    return bytes;
  };
  EXPECT_FALSE(testsupport::ParseDialogTemplateEx(patched(0, 2)));     // version
  EXPECT_FALSE(testsupport::ParseDialogTemplateEx(patched(2, 0)));     // a DLGTEMPLATE, not ...EX
  EXPECT_FALSE(testsupport::ParseDialogTemplateEx(patched(17, 0xFF))); // more items than bytes
  std::mt19937 random(11);
  for (int round = 0; round < 5000; ++round) {
    auto bytes = kCompiled;
    for (int flips = 1 + static_cast<int>(random() % 6); flips > 0; --flips)
      bytes[random() % bytes.size()] = static_cast<unsigned char>(random());
    if (const auto dialog = testsupport::ParseDialogTemplateEx(bytes)) {
      EXPECT_LE(dialog->items.size(), bytes.size() / 24);
    }
  }
}

}  // namespace
