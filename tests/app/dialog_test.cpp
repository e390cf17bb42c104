// The main dialog and the application object, driven on the offscreen platform with the
// program's own resources (translation table "ZEBSTRINGS", icon 128).
#include <QLoggingCategory>
#include <QTest>
#include <filesystem>

#include "app/TidewellPluginApp.h"
#include "platform/resources.h"
#include "tests/app/dialog_support.h"

namespace {

using dialogtest::Dialog;
using dialogtest::ModalCatcher;

const QString kNotInstalled = QStringLiteral("Veltaro is not installed.\nYou must install Veltaro first!");
const QString kUpdate = QStringLiteral(
    "The installed Veltaro version does not support Lumora.\n\nYou must update your Veltaro version first!");
const QString kTitle = QStringLiteral("Veltaro Lumora");

class DialogTest : public dialogtest::HostsTest {
 protected:
  DialogTest() { env_.Set("LC_ALL", "en_US.UTF-8"); }
};

// ---- The host list ------------------------------------------------------------------------

using DialogHostList = DialogTest;

TEST_F(DialogHostList, ListsTheHostsInListOrderOnceAndSelectsTheFirst) {
  InstallHost("Veltaro Prism Lite", "4.0.0.0");
  InstallHost("Veltaro Loom", "4.0.0.0");
  InstallHost("Veltaro Prism Max", "4.0.0.0");
  Dialog dialog;
  EXPECT_EQ(dialog.HostList()->count(), 0);  // filled when the dialog initialises, not before
  dialog.show();
  const QStringList expected = {"Veltaro Loom 4", "Veltaro Prism Max 4", "Veltaro Prism Lite 4"};
  EXPECT_EQ(dialog.Entries(), expected);
  EXPECT_EQ(dialog.HostList()->currentIndex(), 0);
  for (int i = 0; i < 3; ++i) {
    ASSERT_NE(dialog.Attached(i), nullptr);
    EXPECT_EQ(dialogtest::Ansi(static_cast<const char*>(dialog.Attached(i)->displayName)) + " 4", expected[i]);
  }
  EXPECT_FALSE(dialog.HostList()->isEditable());
  EXPECT_TRUE(dialog.Ok()->isEnabled());
  EXPECT_EQ(dialog.Status()->text(), QString());

  dialog.hide();
  dialog.show();  // initialisation runs once only
  EXPECT_EQ(dialog.Entries(), expected);
}

TEST_F(DialogHostList, WithoutHostsOkIsDisabledAndTheStatusLineSaysSo) {
  Dialog dialog;
  dialog.show();
  EXPECT_EQ(dialog.HostList()->count(), 0);
  EXPECT_FALSE(dialog.Ok()->isEnabled());
  EXPECT_EQ(dialog.Status()->text(), kNotInstalled);
  EXPECT_TRUE(dialog.Cancel()->isEnabled());
}

TEST_F(DialogHostList, AnotherSelectionChangesNeitherStatusLineNorOk) {
  InstallHost("Veltaro Loom", "4.0.0.0");
  InstallHost("Veltaro Prism Plus", "1.0.0.0");
  Dialog dialog;
  dialog.show();
  dialog.Status()->setText("unchanged");
  for (int index : {1, 0, 1}) {
    dialog.HostList()->setCurrentIndex(index);
    EXPECT_EQ(dialog.Status()->text(), "unchanged");
    EXPECT_TRUE(dialog.Ok()->isEnabled());
  }
}

TEST_F(DialogHostList, AnEntryTheListRefusesIsNotAddedNorAttached) {
  InstallHost("Veltaro Loom", "4.0.0.0");
  Dialog dialog;
  dialog.show();
  const Product* first = dialog.Attached(0);
  dialog.HostList()->setMaxCount(1);
  Product extra;
  extra.displayName = "Veltaro Prism Max";
  extra.number = 4;
  dialog.AddProduct(&extra);
  EXPECT_EQ(dialog.Entries(), QStringList{"Veltaro Loom 4"});
  EXPECT_EQ(dialog.Attached(0), first);

  dialog.HostList()->setMaxCount(5);
  extra.number = 12;
  dialog.AddProduct(&extra);
  EXPECT_EQ(dialog.Entries(), (QStringList{"Veltaro Loom 4", "Veltaro Prism Max 12"}));
  EXPECT_EQ(dialog.Attached(1), &extra);
  dialog.AddProduct(nullptr);  // nothing to show for no record
  EXPECT_EQ(dialog.HostList()->count(), 2);
}

// ---- Confirmation and cancellation --------------------------------------------------------

using DialogConfirm = DialogTest;

TEST_F(DialogConfirm, WithoutHostsTheNotInstalledBoxShowsOnceAndTheDialogCloses) {
  Dialog dialog;
  dialog.show();
  ModalCatcher catcher;
  dialog.OnOK();  // OK is disabled; a confirmation that still arrives
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, kNotInstalled);
  EXPECT_EQ(catcher.boxes[0].title, kTitle);
  EXPECT_EQ(catcher.boxes[0].icon, QMessageBox::NoIcon);
  EXPECT_EQ(catcher.boxes[0].buttons, 1);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(DialogConfirm, AnOldHostKeepsTheDialogOpenAndEveryConfirmationReadsTheFileAgain) {
  InstallHost("Veltaro Loom", "4.0.0.0");
  const std::string old_host = InstallHost("Veltaro Prism Max", "3.20.3.9");
  Dialog dialog;
  dialog.show();
  dialog.HostList()->setCurrentIndex(1);
  ModalCatcher catcher;

  QTest::mouseClick(dialog.Ok(), Qt::LeftButton);
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, kUpdate);
  EXPECT_EQ(catcher.boxes[0].title, kTitle);
  EXPECT_EQ(catcher.boxes[0].icon, QMessageBox::Warning);
  EXPECT_EQ(catcher.boxes[0].buttons, 1);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.HostList()->currentIndex(), 1);

  std::filesystem::remove(old_host + "YlVer.dll");  // unreadable now
  QTest::mouseClick(dialog.Ok(), Qt::LeftButton);
  EXPECT_EQ(catcher.boxes.size(), 2u);
  EXPECT_TRUE(dialog.isVisible());

  WriteVersionFile(old_host, "3.20.4.0");  // updated meanwhile
  QTest::mouseClick(dialog.Ok(), Qt::LeftButton);
  EXPECT_EQ(catcher.boxes.size(), 2u);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(DialogConfirm, VersionsCompareFieldByFieldAsNumbers) {
  const struct {
    const char* version;
    bool passes;
  } cases[] = {{"3.20.4.0", true}, {"3.100.0.0", true}, {"3.20", false}, {"3.9.99.99", false}, {"", false}};
  for (const auto& c : cases) {
    const std::string install = InstallHost("Veltaro Loom", "");
    std::filesystem::remove(install + "YlVer.dll");
    if (*c.version != '\0') WriteVersionFile(install, c.version);
    Dialog dialog;
    dialog.show();
    ModalCatcher catcher;
    QTest::mouseClick(dialog.Ok(), Qt::LeftButton);
    EXPECT_EQ(dialog.isVisible(), !c.passes) << c.version;
    EXPECT_EQ(catcher.boxes.size(), c.passes ? 0u : 1u) << c.version;
  }
}

TEST_F(DialogConfirm, WithoutAVisibleSelectionTheFirstHostIsChecked) {
  InstallHost("Veltaro Loom", "3.0.0.0");
  InstallHost("Veltaro Prism Plus", "4.0.0.0");
  Dialog dialog;
  dialog.show();
  dialog.HostList()->setCurrentIndex(-1);
  ModalCatcher catcher;
  dialog.OnOK();
  EXPECT_EQ(catcher.boxes.size(), 1u);  // Loom, the first, is too old
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(DialogConfirm, EnterConfirmsWhereverTheFocusIsInTheList) {
  InstallHost("Veltaro Loom", "5.0.0.0");
  Dialog dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  dialog.HostList()->setFocus();
  QTest::keyClick(dialog.HostList(), Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(DialogConfirm, CancelEscapeAndTheCloseBoxCloseWithoutACheck) {
  InstallHost("Veltaro Loom", "1.0.0.0");  // a check would complain
  const std::function<void(Dialog&)> ways[] = {
      [](Dialog& d) { QTest::mouseClick(d.Cancel(), Qt::LeftButton); },
      [](Dialog& d) { QTest::keyClick(&d, Qt::Key_Escape); },
      [](Dialog& d) { d.close(); },
  };
  int way = 0;
  for (const auto& close : ways) {
    Dialog dialog;
    dialog.show();
    ModalCatcher catcher;
    close(dialog);
    EXPECT_FALSE(dialog.isVisible()) << way;
    EXPECT_EQ(dialog.result(), QDialog::Rejected) << way;
    EXPECT_TRUE(catcher.boxes.empty()) << way;
    ++way;
  }
}

// ---- Message boxes ------------------------------------------------------------------------

using DialogMessageBox = DialogTest;

TEST_F(DialogMessageBox, StyleBitsChooseIconAndButtonsAndTheButtonPressedIsReturned) {
  Dialog dialog;
  dialog.show();
  {
    ModalCatcher catcher;
    EXPECT_EQ(dialog.ShowMessageBox("plain", "caption", 0), 1);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].icon, QMessageBox::NoIcon);
    EXPECT_EQ(catcher.boxes[0].text, "plain");
    EXPECT_EQ(catcher.boxes[0].title, "caption");
    EXPECT_EQ(catcher.boxes[0].owner, &dialog);
  }
  {
    ModalCatcher catcher;
    EXPECT_EQ(dialog.ShowMessageBox("warn", "caption", 0x30), 1);
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].icon, QMessageBox::Warning);
  }
  {
    ModalCatcher catcher(QMessageBox::No);
    EXPECT_EQ(dialog.ShowMessageBox("ask", "caption", 0x24), 7);  // question, Yes/No: IDNO
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].icon, QMessageBox::Question);
    EXPECT_EQ(catcher.boxes[0].buttons, 2);
  }
  {
    ModalCatcher catcher(QMessageBox::Cancel);
    EXPECT_EQ(dialog.ShowMessageBox("stop", "caption", 0x11), 2);  // stop, OK/Cancel: IDCANCEL
    ASSERT_EQ(catcher.boxes.size(), 1u);
    EXPECT_EQ(catcher.boxes[0].icon, QMessageBox::Critical);
  }
}

// ---- Texts --------------------------------------------------------------------------------

using DialogTexts = DialogTest;

TEST_F(DialogTexts, EnglishTexts) {
  Dialog dialog;
  dialog.show();
  EXPECT_EQ(dialog.ShownTitle(), kTitle);
  EXPECT_EQ(dialog.Ok()->text(), "OK");
  EXPECT_EQ(dialog.Cancel()->text(), "Cancel");
}

TEST_F(DialogTexts, SpanishButtonsAndStatusLine) {
  env_.Set("LC_ALL", "es_ES.UTF-8");
  Dialog dialog;
  dialog.show();
  EXPECT_EQ(dialog.Ok()->text(), "Aceptar");
  EXPECT_EQ(dialog.Cancel()->text(), "Cancelar");
  EXPECT_EQ(dialog.ShownTitle(), kTitle);
  EXPECT_EQ(dialog.Status()->text(),
            QString::fromUtf8("Veltaro no est\u00e1 instalado.\n\u00a1Tiene que instalar Veltaro primero!"));
}

TEST_F(DialogTexts, TheTitleIsTheSameInEveryLanguage) {
  for (const char* locale : {"de_DE.UTF-8", "fr_FR.UTF-8", "it_IT.UTF-8", "es_MX.UTF-8", "en_GB.UTF-8", "C"}) {
    env_.Set("LC_ALL", locale);
    Dialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.ShownTitle(), kTitle) << locale;
  }
}

// ---- Layout, focus, icon, start-up log ----------------------------------------------------

using DialogLayout = DialogTest;

TEST_F(DialogLayout, ControlsSitWhereTemplate102PutsThemInDialogUnits) {
  Dialog dialog;
  EXPECT_EQ(dialog.font().family(), "Tahoma");  // asked for; fontconfig may substitute
  EXPECT_EQ(dialog.font().pointSize(), 8);
  const QFontMetrics metrics(dialog.font());
  const int base_x = (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
  const int base_y = metrics.height();
  ASSERT_GT(base_x, 0);
  const auto x = [&](int u) { return (u * base_x + 2) / 4; };
  const auto y = [&](int u) { return (u * base_y + 4) / 8; };
  EXPECT_EQ(dialog.size(), QSize(x(194), y(186)));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  EXPECT_EQ(dialog.Ok()->geometry(), QRect(x(41), y(165), x(50), y(14)));
  EXPECT_EQ(dialog.Cancel()->geometry(), QRect(x(103), y(165), x(50), y(14)));
  EXPECT_EQ(dialog.Status()->geometry(), QRect(x(18), y(139), x(165), y(16)));
  const QRect list = dialog.HostList()->geometry();
  EXPECT_EQ(list.topLeft(), QPoint(x(8), y(23)));
  EXPECT_EQ(list.width(), x(159));
  EXPECT_GE(dialog.HostList()->maxVisibleItems(), 1);
  EXPECT_EQ(dialog.Status()->alignment(), Qt::AlignLeft | Qt::AlignTop);
}

TEST_F(DialogLayout, TabOrderFollowsTheTemplateAndOkIsTheDefaultWithTheFocus) {
  InstallHost("Veltaro Loom", "4.0.0.0");
  Dialog dialog;
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  EXPECT_TRUE(dialog.Ok()->isDefault());
  EXPECT_FALSE(dialog.Cancel()->isDefault());
  EXPECT_EQ(QApplication::focusWidget(), dialog.Ok());
  std::vector<QWidget*> order;
  QWidget* w = dialog.Ok();
  do {
    if (w->parentWidget() == &dialog && (w->focusPolicy() & Qt::TabFocus)) order.push_back(w);
    w = w->nextInFocusChain();
  } while (w != dialog.Ok());
  EXPECT_EQ(order, (std::vector<QWidget*>{dialog.Ok(), dialog.Cancel(), dialog.HostList()}));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), dialog.Cancel());
}

TEST_F(DialogLayout, TheApplicationIconIsResource128WithItsTwoImages) {
  ASSERT_TRUE(platform::FindResourceData("ICON", "#128")) << "icon 128 is not in the resource table";
  Dialog dialog;
  const QIcon icon = dialog.OnQueryDragIcon();
  ASSERT_FALSE(icon.isNull());
  const QList<QSize> sizes = icon.availableSizes();
  EXPECT_TRUE(sizes.contains(QSize(32, 32)));
  EXPECT_TRUE(sizes.contains(QSize(16, 16)));
  // The same artwork as the desktop's PNG icons, read by the framework's own PNG reader:
  // every pixel, so row order, channel order and alpha all show.
  for (const int side : {32, 16}) {
    SCOPED_TRACE(side);
    const QImage desktop(QStringLiteral(TIDEWELL_SOURCE_DIR "/resources/icons/tidewell-%1.png").arg(side));
    ASSERT_EQ(desktop.size(), QSize(side, side));
    const QImage ours = icon.pixmap(QSize(side, side)).toImage();
    ASSERT_EQ(ours.size(), QSize(side, side));
    EXPECT_EQ(ours.convertToFormat(QImage::Format_ARGB32_Premultiplied),
              desktop.convertToFormat(QImage::Format_ARGB32_Premultiplied));
  }
  dialog.show();
  EXPECT_EQ(dialog.windowIcon().cacheKey(), icon.cacheKey());
}

// The first showing says so once on "tidewell.startup" (a start-up benchmark waits for it).
std::vector<QString>* g_messages = nullptr;
void Record(QtMsgType, const QMessageLogContext& context, const QString& text) {
  if (g_messages != nullptr && QString(context.category) == "tidewell.startup") g_messages->push_back(text);
}

TEST_F(DialogLayout, TheFirstShowingIsLoggedOnceWhenTheCategoryIsOn) {
  std::vector<QString> messages;
  g_messages = &messages;
  const QtMessageHandler previous = qInstallMessageHandler(Record);
  {
    Dialog quiet;
    quiet.show();  // off by default
  }
  QLoggingCategory::setFilterRules("tidewell.startup.info=true");
  {
    Dialog dialog;
    dialog.show();
    dialog.hide();
    dialog.show();
  }
  QLoggingCategory::setFilterRules(QString());
  qInstallMessageHandler(previous);
  g_messages = nullptr;
  EXPECT_EQ(messages, std::vector<QString>{"dialog shown"});
}

// ---- The application object ---------------------------------------------------------------

using TidewellPluginApp = DialogTest;

TEST_F(TidewellPluginApp, InitInstanceRunsOneModalDialogAsMainWindowAndReturnsFalse) {
  InstallHost("Veltaro Loom", "4.0.0.0");
  CTidewellPluginApp app;
  EXPECT_EQ(app.GetMainWnd(), nullptr);
  int dialogs = 0;
  QWidget* main_window = nullptr;
  QStringList entries;
  ModalCatcher catcher;
  catcher.onDialog = [&](QWidget* modal) {
    ++dialogs;
    main_window = app.GetMainWnd();
    EXPECT_EQ(modal->parentWidget(), nullptr);
    auto* list = modal->findChild<QComboBox*>("1029");
    for (int i = 0; list != nullptr && i < list->count(); ++i) entries << list->itemText(i);
    modal->findChild<QPushButton*>("1")->click();
  };
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(dialogs, 1);
  EXPECT_NE(main_window, nullptr);
  EXPECT_EQ(entries, QStringList{"Veltaro Loom 4"});
  EXPECT_EQ(app.GetMainWnd(), nullptr);  // the dialog is gone
  EXPECT_TRUE(catcher.boxes.empty());
  EXPECT_EQ(QApplication::topLevelWidgets().size(), 0);
}

TEST_F(TidewellPluginApp, AFailedCheckLeavesTheDialogRunningUntilCancelled) {
  InstallHost("Veltaro Loom", "2.0.0.0");
  CTidewellPluginApp app;
  ModalCatcher catcher;
  catcher.onDialog = [&](QWidget* modal) {
    modal->findChild<QPushButton*>("1")->click();  // the update box, caught, then still open
    QTimer::singleShot(0, modal, [modal] {
      EXPECT_TRUE(modal->isVisible());
      modal->findChild<QPushButton*>("2")->click();
    });
  };
  EXPECT_FALSE(app.InitInstance());
  ASSERT_EQ(catcher.boxes.size(), 1u);
  EXPECT_EQ(catcher.boxes[0].text, kUpdate);
}

}  // namespace
