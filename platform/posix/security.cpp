// Security descriptors on POSIX: the emulated registry has no access control, so there is no
// descriptor to make.
#include "platform/security.h"

namespace platform {

void* NewNullDaclSecurityDescriptor() { return nullptr; }

}  // namespace platform
