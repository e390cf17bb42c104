// CTidewellPluginApp on Windows: the application object. One global instance, `theApp`,
// exists from static initialisation to process exit; WinMain lets InitInstance run the
// program: one modal dialog, then the end.
#pragma once

#include "app/win32/Win32App.h"

class CTidewellPluginApp : public Win32App {
 public:
  CTidewellPluginApp() = default;

  // Initialises the common controls (version 6, through the manifest), loads resources from
  // the executable, constructs the main dialog without a parent, registers it as the main
  // window, runs it modally (its result is not used) and destroys it. Always false: there
  // is nothing left to run once the dialog has closed.
  bool InitInstance() override;
};

// The program's application object.
extern CTidewellPluginApp theApp;
