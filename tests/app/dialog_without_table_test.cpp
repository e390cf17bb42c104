// The dialog in a program without the built-in resource table: a missing or unreadable
// translation table, texts that look like markup or need the ANSI code page, and icon 128
// (registered here from a test-made .ico) in the window and on the minimised window.
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QTest>
#include <cstdint>
#include <vector>

#include "platform/emulation/resource_table.h"
#include "tests/app/dialog_support.h"
#include "tests/support/IcoWriter.h"

namespace {

using dialogtest::Dialog;
using dialogtest::ModalCatcher;

// One registered resource for the life of the object.
class ScopedResource {
 public:
  ScopedResource(const char* type, const char* name, std::string bytes)
      : bytes_(std::move(bytes)),
        entry_{{type, name, 0, reinterpret_cast<const unsigned char*>(bytes_.c_str()), bytes_.size()}},
        registration_(entry_) {}

 private:
  std::string bytes_;  // c_str() keeps the NUL the table's entries end with
  platform::ResourceEntry entry_[1];
  platform::ResourceRegistration registration_;
};

class DialogWithoutTable : public dialogtest::HostsTest {
 protected:
  DialogWithoutTable() { env_.Set("LC_ALL", "en_US.UTF-8"); }
};

TEST_F(DialogWithoutTable, EveryKeyShowsAsItselfAndBothChecksStillWork) {
  ASSERT_FALSE(platform::FindResourceData("XML", "ZEBSTRINGS"));
  const std::string install = InstallHost("Veltaro Loom", "3.0.0.0");
  Dialog dialog;
  EXPECT_TRUE(dialog.OnQueryDragIcon().isNull());  // no icon 128 either, and no harm done
  dialog.show();
  EXPECT_EQ(dialog.ShownTitle(), "LUMORA_TITLE");
  EXPECT_EQ(dialog.Ok()->text(), "LUMORA_OK");
  EXPECT_EQ(dialog.Cancel()->text(), "LUMORA_CANCEL");
  ModalCatcher catcher;
  QTest::mouseClick(dialog.Ok(), Qt::LeftButton);
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, "LUMORA_VELTARO_UPDATE_VERSION");
  EXPECT_EQ(catcher.boxes[0].title, "LUMORA_TITLE");
  EXPECT_TRUE(dialog.isVisible());

  WriteVersionFile(install, "3.20.4.0");
  QTest::mouseClick(dialog.Ok(), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(DialogWithoutTable, AnUnreadableTableLeavesTheKeys) {
  const ScopedResource table("XML", "ZEBSTRINGS", "<TRANSLATIONS><TRANSLATE ItemId=\"LUMORA_TITLE\"><English>x");
  Dialog dialog;
  dialog.show();
  EXPECT_EQ(dialog.ShownTitle(), "LUMORA_TITLE");
  EXPECT_EQ(dialog.Status()->text(), "LUMORA_VELTARO_NOT_INSTALLED");
  ModalCatcher catcher;
  dialog.OnOK();
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, "LUMORA_VELTARO_NOT_INSTALLED");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(DialogWithoutTable, TextsArriveThroughTheAnsiCodePageAndShowAsTyped) {
  // Byte 0x80 is the euro sign in Windows-1252 (and a control character in ISO-8859-1).
  const ScopedResource table("XML", "ZEBSTRINGS",
                             "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<TRANSLATIONS>"
                             "<TRANSLATE ItemId=\"LUMORA_TITLE\">"
                             "<English>Lumora \x80 [*] &lt;b&gt;</English></TRANSLATE>"
                             "<TRANSLATE ItemId=\"LUMORA_OK\"><English>J\xE0</English></TRANSLATE>"
                             "<TRANSLATE ItemId=\"LUMORA_VELTARO_NOT_INSTALLED\">"
                             "<English>&lt;b&gt;none&lt;/b&gt; \x80</English></TRANSLATE>"
                             "</TRANSLATIONS>\r\n");
  Dialog dialog;
  ASSERT_EQ(dialog.GetLocalizedString("LUMORA_OK"), "J\xE0");
  dialog.show();
  EXPECT_EQ(dialog.ShownTitle(), QString::fromUtf8("Lumora \u20ac [*] <b>"));
  EXPECT_EQ(dialog.Ok()->text(), QString::fromUtf8("J\u00e0"));
  EXPECT_EQ(dialog.Status()->text(), QString::fromUtf8("<b>none</b> \u20ac"));
  EXPECT_EQ(dialog.Status()->textFormat(), Qt::PlainText);
  ModalCatcher catcher;
  dialog.OnOK();
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, QString::fromUtf8("<b>none</b> \u20ac"));
  EXPECT_EQ(catcher.boxes[0].format, Qt::PlainText);
  EXPECT_EQ(catcher.boxes[0].title, QString::fromUtf8("Lumora \u20ac [*] <b>"));
}

TEST_F(DialogWithoutTable, AnUndecodableIconGivesANullIcon) {
  const ScopedResource broken("ICON", "#128", "not an icon");
  Dialog dialog;
  EXPECT_TRUE(dialog.OnQueryDragIcon().isNull());
  dialog.show();
  EXPECT_TRUE(dialog.isVisible());
}

// ---- Icon 128 -----------------------------------------------------------------------------

// One opaque image: `fill` everywhere but `corner` in the top-left pixel.
std::string IcoImage(int size, QRgb fill, QRgb corner) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size) * size, fill);
  pixels[0] = corner;
  return test_support::IcoBitmap(size, size, pixels);
}

const QRgb kRed = qRgb(255, 0, 0), kBlue = qRgb(0, 0, 255), kGreen = qRgb(0, 255, 0), kMagenta = qRgb(255, 0, 255);

class DialogIcon : public DialogWithoutTable {
 protected:
  ScopedResource icon_{"ICON", "#128",
                       test_support::IcoFile({{32, IcoImage(32, kBlue, kRed)}, {16, IcoImage(16, kGreen, kGreen)}})};
};

TEST_F(DialogIcon, BothImagesOfIcon128BecomeTheWindowAndDragIcon) {
  Dialog dialog;
  const QIcon icon = dialog.OnQueryDragIcon();
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.pixmap(QSize(32, 32)).toImage().pixel(0, 0), kRed);
  EXPECT_EQ(icon.pixmap(QSize(16, 16)).toImage().pixel(5, 5), kGreen);
  dialog.show();
  EXPECT_EQ(dialog.windowIcon().cacheKey(), icon.cacheKey());
}

// Paints the dialog's own layer (no background, no controls) into an image.
QImage PaintOnly(Dialog& dialog) {
  QImage image(dialog.size(), QImage::Format_RGB32);
  image.fill(kMagenta);
  dialog.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
  return image;
}

TEST_F(DialogIcon, TheMinimisedWindowShowsTheIconCentredOnAnErasedBackground) {
  Dialog dialog;
  dialog.setWindowState(Qt::WindowMinimized);
  ASSERT_TRUE(dialog.isMinimized());
  const int size = dialog.style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, &dialog);
  ASSERT_EQ(size, 32);
  const QRgb background = dialog.palette().color(dialog.backgroundRole()).rgb();
  // The template's size, then odd and even sizes where rounding the half pixel shows.
  for (const QSize client : {dialog.size(), QSize(101, 77), QSize(100, 76), QSize(33, 33)}) {
    dialog.setFixedSize(client);
    const QImage image = PaintOnly(dialog);
    const int x = (client.width() - size + 1) / 2, y = (client.height() - size + 1) / 2;
    SCOPED_TRACE(testing::Message() << client.width() << "x" << client.height());
    EXPECT_EQ(image.pixel(x, y), kRed);  // the icon's top-left corner
    EXPECT_EQ(image.pixel(x + 1, y), kBlue);
    EXPECT_EQ(image.pixel(x + 31, y + 31), kBlue);
    EXPECT_EQ(image.pixel(x - 1, y), background);
    EXPECT_EQ(image.pixel(x, y - 1), background);
    if (x + 32 < client.width()) {
      EXPECT_EQ(image.pixel(x + 32, y + 31), background);
    }
    if (y + 32 < client.height()) {
      EXPECT_EQ(image.pixel(x + 31, y + 32), background);
    }
  }
}

TEST_F(DialogIcon, TheRestoredWindowPaintsNoIcon) {
  Dialog dialog;
  ASSERT_FALSE(dialog.isMinimized());
  const QImage image = PaintOnly(dialog);
  const int x = (dialog.width() - 32 + 1) / 2, y = (dialog.height() - 32 + 1) / 2;
  EXPECT_EQ(image.pixel(x, y), kMagenta);
  EXPECT_EQ(image.pixel(x + 1, y + 1), kMagenta);
}

}  // namespace
