// Win32Dialog: the dialog procedure and the modal run.
#include "app/win32/Win32Dialog.h"

#include "app/win32/Win32App.h"

INT_PTR Win32Dialog::DoModal() {
  return DialogBoxParamA(AppResourceHandle(), MAKEINTRESOURCEA(m_templateId), m_parent, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool Win32Dialog::OnInitDialog() {
  DoDataExchange();
  return true;
}

bool Win32Dialog::OnCommand(int id, int) {
  switch (id) {
    case IDOK: OnOK(); return true;
    case IDCANCEL: OnCancel(); return true;
    default: return false;
  }
}

void Win32Dialog::OnOK() { EndDialog(IDOK); }

void Win32Dialog::OnCancel() { EndDialog(IDCANCEL); }

void Win32Dialog::EndDialog(INT_PTR result) {
  if (m_hWnd != nullptr) ::EndDialog(m_hWnd, result);
}

INT_PTR CALLBACK Win32Dialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Win32Dialog*>(lParam);
    SetWindowLongPtrA(window, DWLP_USER, lParam);
    dialog->m_hWnd = window;
    return dialog->OnInitDialog() ? TRUE : FALSE;
  }
  // Messages sent while the window is created, before WM_INITDIALOG, find no dialog yet.
  auto* dialog = reinterpret_cast<Win32Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  if (dialog == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND: return dialog->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_PAINT: return dialog->OnPaint() ? TRUE : FALSE;
    // One of the messages whose answer a dialog procedure returns itself.
    case WM_QUERYDRAGICON: return reinterpret_cast<INT_PTR>(dialog->OnQueryDragIcon());
    case WM_NCDESTROY:
      dialog->m_hWnd = nullptr;
      SetWindowLongPtrA(window, DWLP_USER, 0);
      return FALSE;
    default: return FALSE;
  }
}
