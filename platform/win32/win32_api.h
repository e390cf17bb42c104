// The one include of the Windows headers. Every file that needs them includes this instead of
// <windows.h>, so that all see the same declarations and none of our names is rewritten.
#pragma once

// No min/max macros (std::min, std::max and numeric_limits<T>::max stay usable), and none of
// the rarely used interfaces (sockets, cryptography, OLE) that <windows.h> pulls in otherwise.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>
#include <windowsx.h>

// <windowsx.h> helpers that would rewrite CXMLMgr's members of the same name; the backends call
// the functions they stand for (GetTopWindow, GetWindow) directly.
#undef GetFirstChild
#undef GetNextSibling
