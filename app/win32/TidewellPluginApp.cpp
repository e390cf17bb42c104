// CTidewellPluginApp on Windows: the start-up sequence, and the one application object.
#include "app/win32/TidewellPluginApp.h"

#include <commctrl.h>

#include "app/win32/TidewellPluginDlg.h"

// The host version reader (products/HostVersionStartup.cpp) is another static object of the
// executable and reads during static initialisation; the application object must exist
// before it, whatever the link order.
[[gnu::init_priority(1000)]] CTidewellPluginApp theApp;

bool CTidewellPluginApp::InitInstance() {
  // The dialog's controls come from the common controls library; the manifest asks for its
  // version 6, which must be initialised before the first dialog is created.
  INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  (void)InitCommonControlsEx(&controls);
  SetAppResourceHandle(GetModuleHandleA(nullptr));
  {
    CTidewellPluginDlg dialog;
    m_pMainWnd = &dialog;
    (void)dialog.DoModal();
    // The dialog dies at the end of this block; the main window must not outlive it.
    m_pMainWnd = nullptr;
  }
  return false;
}
