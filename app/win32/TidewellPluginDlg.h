// CTidewellPluginDlg on Windows: the program's only window, dialog template 102 run by the
// system's dialog manager. It lists the installed hosts in a drop-down list, shows a status
// line and offers OK and Cancel, and puts CTidewellBase on the screen: its controls, message
// boxes and translation table implement the four operations. Every text is ANSI (the
// table's code page), so the A functions show it.
//
//   CTidewellPluginDlg dialog;   // hosts discovered, icon and texts loaded, no window yet
//   dialog.DoModal();            // OnInitDialog runs once the window and controls exist
#pragma once

#include <string>

#include "app/TidewellBase.h"
#include "app/win32/Win32Dialog.h"
#include "localization/XMLLocalizer.h"

class CTidewellPluginDlg : public Win32Dialog, public CTidewellBase {
 public:
  // Identifiers of dialog template 102 and its controls.
  static constexpr int kTemplateId = 102;
  static constexpr int kIconId = 128;
  static constexpr int kIdStatus = 1005;
  static constexpr int kIdHostList = 1029;

  // Discovers the installed hosts, loads icon 128 in the large and the small size (null
  // icons when the resource is missing) and the translation table "ZEBSTRINGS" in the
  // user's language (a missing or unreadable table leaves every key showing as itself).
  // Shows nothing and never fails.
  explicit CTidewellPluginDlg(HWND parent = nullptr);
  ~CTidewellPluginDlg() override;

  // OK enabled and the status line left alone while the host list has entries; otherwise
  // OK disabled and the not-installed text in the status line.
  void UpdateControls() override;
  // MessageBoxA owned by the dialog (by no window before it exists); the button pressed.
  int ShowMessageBox(const char* text, const char* caption, unsigned flags) override;
  // The translated text of `key`, or the key itself when the table has none.
  std::string GetLocalizedString(const char* key) override;
  // Appends "<display name> <number>" to the host list; the entry borrows `product`. When
  // the list refuses the entry, nothing is attached.
  void AddProduct(const Product* product) override;

 protected:
  void DoDataExchange() override;
  // Icons, title, texts, host list, first host selected, controls refreshed; true: the focus
  // goes to OK, or to Cancel while OK is disabled.
  bool OnInitDialog() override;
  bool OnCommand(int id, int notification) override;
  // OK or Enter: the not-installed message and close with an empty list, else close only
  // when the selected host (the first when none is selected) passes the version check.
  void OnOK() override;
  void OnSelChangeProduct();
  // While minimised, the application icon centred in the client area.
  bool OnPaint() override;
  HICON OnQueryDragIcon() override;

 private:
  [[nodiscard]] int HostCount() const;

  HWND m_cancel = nullptr;
  HWND m_ok = nullptr;
  HWND m_hostList = nullptr;
  HWND m_status = nullptr;
  HICON m_hIcon;       // the large icon; owned
  HICON m_hSmallIcon;  // owned
  XMLLocalizer m_localizer;
};
