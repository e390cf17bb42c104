// The registry handle type HKEY and the roots HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and
// HKEY_USERS of the Win32 backend: the system's own, from <windows.h>.
#pragma once

#include "platform/win32/win32_api.h"
