// Win32App: the application registry and the resource module.
#include "app/win32/Win32App.h"

namespace {

Win32App* g_application = nullptr;
HINSTANCE g_resources = nullptr;

}  // namespace

Win32App::Win32App() { g_application = this; }

Win32App::~Win32App() {
  if (g_application == this) g_application = nullptr;
}

Win32App* Win32App::Current() { return g_application; }

HINSTANCE AppResourceHandle() { return g_resources != nullptr ? g_resources : GetModuleHandleA(nullptr); }

void SetAppResourceHandle(HINSTANCE module) { g_resources = module; }
