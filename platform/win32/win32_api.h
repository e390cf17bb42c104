// The one way into the Windows headers: every file that needs the Windows API includes this
// instead of <windows.h>, so that all of them see the same declarations.
//
// <windows.h> is trimmed (WIN32_LEAN_AND_MEAN) and leaves min/max alone (NOMINMAX).
// <windowsx.h> defines function-like macros over a few names that are also names of ours;
// they are removed here, so `GetFirstChild` and `GetNextSibling` of the XML document classes
// keep their names in every file. The Win32 code that wants those helpers calls GetWindow.
//
// A file that talks to the component runtime defines TIDEWELL_WIN32_COM before including
// this: it then also gets OLE automation (BSTR, VARIANT, SAFEARRAY) and the MSXML interfaces,
// which the rest of the backend, and the neutral code compiled after this shim, never see.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>
#include <windowsx.h>

#undef GetFirstChild
#undef GetNextSibling

#ifdef TIDEWELL_WIN32_COM
#include <objbase.h>
#include <oleauto.h>
#include <msxml2.h>
#endif
