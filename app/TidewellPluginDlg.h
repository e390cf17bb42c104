// CTidewellPluginDlg: the program's only window, a modal dialog on Qt Widgets that lists the
// installed hosts, shows a status line and offers OK and Cancel. It puts CTidewellBase on the
// screen: its controls, message boxes and translation table implement the four operations.
//
//   CTidewellPluginDlg dialog;   // hosts discovered, texts loaded, nothing shown yet
//   dialog.exec();               // OnInitDialog runs once, just before the window appears
//
// Controls carry their identifiers as object names ("1" OK, "2" Cancel, "1029" host list,
// "1005" status line) and as the property "controlId".
#pragma once

#include <QDialog>
#include <QIcon>
#include <QMetaType>
#include <string>

#include "app/TidewellBase.h"
#include "localization/XMLLocalizer.h"

class QComboBox;
class QLabel;
class QPushButton;

class CTidewellPluginDlg : public QDialog, public CTidewellBase {
 public:
  // Control identifiers of dialog template 102.
  static constexpr int kIdOk = 1;
  static constexpr int kIdCancel = 2;
  static constexpr int kIdStatus = 1005;
  static constexpr int kIdHostList = 1029;
  // Button codes ShowMessageBox returns, as the platform's message box numbers them.
  static constexpr int kIdOkButton = 1, kIdCancelButton = 2, kIdAbort = 3, kIdRetry = 4, kIdIgnore = 5,
                       kIdYes = 6, kIdNo = 7;

  // Discovers the installed hosts, builds the controls, loads icon 128 (a null icon when the
  // resource is missing or unreadable) and the translation table "ZEBSTRINGS" in the user's
  // language (a missing or unreadable table leaves every key showing as itself). Shows
  // nothing and never fails.
  explicit CTidewellPluginDlg(QWidget* parent = nullptr);
  ~CTidewellPluginDlg() override;

  // OK enabled and the status line left alone while the host list has entries; otherwise
  // OK disabled and the not-installed text in the status line.
  void UpdateControls() override;
  // A modal QMessageBox owned by this dialog, plain text. `flags` are the platform's style
  // bits: the icon (0x10 stop, 0x20 question, 0x30 exclamation, 0x40 information) and the
  // button set (0 OK, 1 OK/Cancel, 2 Abort/Retry/Ignore, 3 Yes/No/Cancel, 4 Yes/No,
  // 5 Retry/Cancel). Returns the code of the button pressed (kIdOkButton ... kIdNo).
  int ShowMessageBox(const char* text, const char* caption, unsigned flags) override;
  // The translated text of `key`, or the key itself when the table has none.
  std::string GetLocalizedString(const char* key) override;
  // Appends "<display name> <number>" to the host list; the entry borrows `product`. When
  // the list refuses the entry, nothing is added or attached.
  void AddProduct(const Product* product) override;

 protected:
  // The dialog's initialisation: icon, texts, host list, first host selected, controls
  // refreshed. Runs once, when the dialog is first made visible; returns true.
  virtual bool OnInitDialog();
  // OK or Enter: the not-installed message and accept with an empty list, else accept only
  // when the selected host (the first when none is selected) passes the version check.
  virtual void OnOK();
  void OnSelChangeProduct();
  // While minimised, the application icon centred in the client area; otherwise the
  // dialog's own painting.
  void OnPaint(QPaintEvent* event);
  // The icon shown while the minimised window is dragged: the application icon.
  [[nodiscard]] QIcon OnQueryDragIcon() const;

  void setVisible(bool visible) override;
  void showEvent(QShowEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void PlaceControls();

  // Children of the dialog: Qt deletes them with it.
  QPushButton* m_cancel;
  QPushButton* m_ok;
  QComboBox* m_hostList;
  QLabel* m_status;
  QIcon m_hIcon;
  XMLLocalizer m_localizer;
  bool m_initialised = false;
  bool m_shownLogged = false;
};

// The host list's entries carry the borrowed record as their item data.
Q_DECLARE_METATYPE(const Product*)
