// Security descriptors, after InitializeSecurityDescriptor / SetSecurityDescriptorDacl.
#pragma once

namespace platform {

// A security descriptor with a present, null access list (every account has full access),
// allocated from the local heap (the caller frees it with LocalFree). Null where the
// platform has no access control (POSIX: the emulated registry has none) or the descriptor
// cannot be made.
[[nodiscard]] void* NewNullDaclSecurityDescriptor();

}  // namespace platform
