// CTidewellPluginApp: the start-up sequence, and the one application object.
#include "app/TidewellPluginApp.h"

#include "app/TidewellPluginDlg.h"

// The host version reader (products/HostVersionStartup.cpp) is another static object of the
// executable and reads during static initialisation; the application object must exist
// before it. The order of static objects across files is otherwise unspecified, so the
// application object takes an initialisation priority, which puts it ahead of every object
// without one, whatever the link order.
[[gnu::init_priority(1000)]] CTidewellPluginApp theApp;

bool CTidewellPluginApp::InitInstance() {
  // Hosting controls and the resource module need no set-up here: the widgets are built in
  // and the resources are compiled into the executable.
  {
    CTidewellPluginDlg dialog;
    m_pMainWnd = &dialog;
    (void)dialog.exec();
    // The dialog dies at the end of this block; the main window must not outlive it.
    m_pMainWnd = nullptr;
  }
  return false;
}
