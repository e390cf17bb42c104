// Win32Dialog: a modal dialog over the system's dialog manager, made from a dialog template
// of the resource module (Win32App.h). The dialog procedure routes the messages the program
// handles to virtual operations:
//
//   WM_INITDIALOG      DoDataExchange (from OnInitDialog), then OnInitDialog
//   WM_COMMAND         OnCommand: IDOK -> OnOK, IDCANCEL -> OnCancel (Escape and the close box
//                      arrive as IDCANCEL), anything else is left to the derived dialog
//   WM_PAINT           OnPaint; false lets the dialog manager paint
//   WM_QUERYDRAGICON   OnQueryDragIcon
//
//   MyDialog dialog;           // derives from Win32Dialog
//   dialog.DoModal();          // returns once EndDialog ran (IDOK or IDCANCEL)
#pragma once

#include "platform/win32/win32_api.h"

class Win32Dialog {
 public:
  // The dialog of template `templateId`, owned by `parent` (null: none). No window yet.
  explicit Win32Dialog(int templateId, HWND parent = nullptr) : m_templateId(templateId), m_parent(parent) {}
  virtual ~Win32Dialog() = default;
  Win32Dialog(const Win32Dialog&) = delete;
  Win32Dialog& operator=(const Win32Dialog&) = delete;

  // Creates the window and runs its modal loop; the result EndDialog was given, or -1 when
  // the window could not be created (a missing template, no memory).
  INT_PTR DoModal();

  // The dialog's window while it runs; null before and after.
  [[nodiscard]] HWND GetSafeHwnd() const { return m_hWnd; }

 protected:
  // Binds the controls to their members by identifier; called by OnInitDialog.
  virtual void DoDataExchange() {}
  // The window and its controls exist. True: the dialog manager gives the focus to the first
  // control with a tab stop that is enabled; false: the dialog set the focus itself.
  virtual bool OnInitDialog();
  // A command from a control or the dialog manager; false when it was not handled.
  virtual bool OnCommand(int id, int notification);
  // Close with IDOK and IDCANCEL.
  virtual void OnOK();
  virtual void OnCancel();
  // True when the window was painted here (BeginPaint/EndPaint called).
  virtual bool OnPaint() { return false; }
  // The icon shown while the minimised window is dragged; null: the class's.
  virtual HICON OnQueryDragIcon() { return nullptr; }

  void EndDialog(INT_PTR result);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  int m_templateId;
  HWND m_parent;
  HWND m_hWnd = nullptr;
};
