// The Windows program's entry point, the framework's part: the application object's
// InitInstance runs the program; a message loop follows only when it asks for one.
#include "app/win32/Win32App.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  Win32App* application = Win32App::Current();
  if (application == nullptr || !application->InitInstance()) return 0;
  MSG message{};
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
