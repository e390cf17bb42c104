// Helpers for driving the real dialog on Qt's offscreen platform: an installed-host fixture,
// a view of the dialog's controls and protected handlers, and a catcher that answers every
// modal window that opens.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/TidewellPluginDlg.h"
#include "platform/codepage.h"
#include "tests/products/products_fixture.h"

// Readable Qt texts in test failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace dialogtest {

// The dialog with its protected handlers reachable, and its controls found by identifier.
class Dialog : public CTidewellPluginDlg {
 public:
  using CTidewellPluginDlg::OnOK;
  using CTidewellPluginDlg::OnQueryDragIcon;

  QPushButton* Ok() const { return Control<QPushButton>(kIdOk); }
  QPushButton* Cancel() const { return Control<QPushButton>(kIdCancel); }
  QComboBox* HostList() const { return Control<QComboBox>(kIdHostList); }
  QLabel* Status() const { return Control<QLabel>(kIdStatus); }

  QStringList Entries() const {
    QStringList entries;
    for (int i = 0; i < HostList()->count(); ++i) entries << HostList()->itemText(i);
    return entries;
  }
  const Product* Attached(int index) const { return HostList()->itemData(index).value<const Product*>(); }
  // The title the window system shows (Qt's placeholders resolved).
  QString ShownTitle() const { return windowHandle() ? windowHandle()->title() : QString(); }

 private:
  template <typename T>
  T* Control(int id) const {
    T* control = findChild<T*>(QString::number(id), Qt::FindDirectChildrenOnly);
    EXPECT_NE(control, nullptr) << "no control " << id;
    if (control != nullptr) {
      EXPECT_EQ(control->property("controlId").toInt(), id);
    }
    return control;
  }
};

// Closes every message box that opens while it lives, recording what it showed; hands any
// other modal window to `onDialog` once, from that window's event loop.
class ModalCatcher {
 public:
  struct Box {
    QString text, title;
    QMessageBox::Icon icon;
    int buttons;
    QWidget* owner;
    Qt::TextFormat format;
  };

  // `answer` is the button pressed in each box (its OK button by default).
  explicit ModalCatcher(QMessageBox::StandardButton answer = QMessageBox::Ok) : answer_(answer) {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Poll(); });
    timer_.start(5);
  }

  std::vector<Box> boxes;
  std::function<void(QWidget*)> onDialog;

 private:
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      // A later box may sit at the address of an earlier one: mark what was answered.
      if (!box->isVisible() || box->property("dialogtest.answered").toBool()) return;
      box->setProperty("dialogtest.answered", true);
      boxes.push_back({box->text(), box->windowHandle() ? box->windowHandle()->title() : box->windowTitle(),
                       box->icon(), static_cast<int>(box->buttons().size()), box->parentWidget(),
                       box->textFormat()});
      QAbstractButton* button = box->button(answer_);
      if (button == nullptr) button = box->buttons().value(0);
      button->click();
    } else if (modal != nullptr && onDialog && !modal->property("dialogtest.answered").toBool()) {
      modal->setProperty("dialogtest.answered", true);
      // Later, from the dialog's own loop: a message box the action opens is then caught by
      // this timer, which Qt does not fire again while its handler runs.
      QTimer::singleShot(0, modal, [this, modal] { onDialog(modal); });
    }
  }

  QMessageBox::StandardButton answer_;
  QTimer timer_;
};

// A Qt text from the program's 8-bit (ANSI) text, for comparisons.
inline QString Ansi(const std::string& text) {
  std::u16string wide;
  EXPECT_TRUE(platform::ToUtf16(text, platform::kCodePageAnsi, wide));
  return QString(reinterpret_cast<const QChar*>(wide.data()), static_cast<qsizetype>(wide.size()));
}

// A fresh emulated machine on which hosts can be installed.
using HostsTest = ProductsTest;

}  // namespace dialogtest
