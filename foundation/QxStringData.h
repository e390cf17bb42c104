// QxStringData: the heap block behind a QxString. One allocation holds this header and,
// directly behind it, allocLength + 1 characters; the character at dataLength is always 0.
//
//   refCount  >= 1  number of QxString objects sharing the block
//              -1  locked: one owner, never shared
//              -2  the process-wide shared empty block (never written, never counted)
//
// refCount is only ever read and changed atomically (std::atomic_ref), so strings that share
// a block may be copied, assigned and destroyed on different threads at once.
#pragma once

#include <cstdint>

#include "foundation/QxExport.h"

struct QX_EXPORT QxStringData {
  std::int32_t refCount;     // sharers, or -1 locked, -2 the shared empty block (see above)
  std::int32_t dataLength;   // characters of the text, without the terminating zero
  std::int32_t allocLength;  // characters the block can hold, without the terminating zero

  // The characters, which follow the header without a gap.
  char* data() { return reinterpret_cast<char*>(this + 1); }
};

static_assert(sizeof(QxStringData) == 12, "the header is three 32-bit integers");
