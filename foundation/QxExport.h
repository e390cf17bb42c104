// QX_EXPORT marks what libqx exports to the family's other modules; QX_NO_EXPORT keeps a
// single member of an exported class inside the library. The build generates the
// definitions for the target platform (qx_export.h).
#pragma once

#include "qx_export.h"
