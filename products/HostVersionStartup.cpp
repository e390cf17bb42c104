// The start-up read of the host version. Linked into the executable only: its static object
// reads while the program's static objects are constructed, before the application starts.
#include "products/HostVersion.h"

namespace {

struct StartupRead {
  StartupRead() { ReadHostVersion(nullptr); }
};

const StartupRead startup_read;

}  // namespace
