// Win32App: the application class of the Windows program. One object of a derived class is
// the program's application; WinMain (Win32Main.cpp) runs it:
//
//   if (app->InitInstance()) message loop until WM_QUIT
//
// and the module from which dialogs and icons are loaded is the application's resource
// module (the executable unless InitInstance names another).
#pragma once

#include "platform/win32/win32_api.h"

class Win32Dialog;

class Win32App {
 public:
  // Registers this object as the program's application (the last one constructed).
  Win32App();
  virtual ~Win32App();
  Win32App(const Win32App&) = delete;
  Win32App& operator=(const Win32App&) = delete;

  // The program's start: true runs the message loop afterwards, false ends the program.
  virtual bool InitInstance() = 0;

  // The main window while the application runs one; borrowed, null otherwise.
  [[nodiscard]] Win32Dialog* GetMainWnd() const { return m_pMainWnd; }

  // The program's application object; null when there is none.
  [[nodiscard]] static Win32App* Current();

 protected:
  Win32Dialog* m_pMainWnd = nullptr;
};

// The module whose resources the program loads (dialog templates, icons); the executable
// until SetAppResourceHandle names another.
[[nodiscard]] HINSTANCE AppResourceHandle();
void SetAppResourceHandle(HINSTANCE module);
