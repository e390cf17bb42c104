// The registry's handle type and roots on Windows: the system's own HKEY and HKEY_* from
// <windows.h>, so the platform layer's registry calls take the handles the system makes.
#pragma once

#include "platform/win32/win32_api.h"
