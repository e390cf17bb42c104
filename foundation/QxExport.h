// QX_EXPORT marks what libqx exports to the family's other modules. A class that keeps some
// of its members inside the library is QX_EXPORT_PARTIAL instead: its internal members carry
// QX_NO_EXPORT and its exported ones QX_EXPORT_MEMBER (ELF hides the former, a DLL exports the
// latter only). The build generates the definitions for the target platform (qx_export.h,
// cmake/QxExportHeader.cmake).
#pragma once

#include "qx_export.h"
