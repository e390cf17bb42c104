// Security descriptors on Windows: InitializeSecurityDescriptor and SetSecurityDescriptorDacl
// on a block from the local heap, which the caller frees with LocalFree.
#include "platform/security.h"

#include "platform/win32/win32_api.h"

namespace platform {

void* NewNullDaclSecurityDescriptor() {
  void* descriptor = LocalAlloc(LPTR, SECURITY_DESCRIPTOR_MIN_LENGTH);
  if (descriptor == nullptr) return nullptr;
  if (!InitializeSecurityDescriptor(descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !SetSecurityDescriptorDacl(descriptor, TRUE, nullptr, FALSE)) {
    LocalFree(descriptor);
    return nullptr;
  }
  return descriptor;
}

}  // namespace platform
