// The platform layer's results: the numbers of the Windows system error codes, so that a
// backend passing a system call through and one emulating it answer alike. Only the codes the
// layer gives are named; the comments say what each one means here.
#pragma once

namespace platform {

inline constexpr long kErrorSuccess = 0;            // done
inline constexpr long kErrorFileNotFound = 2;       // no such key or value
inline constexpr long kErrorAccessDenied = 5;       // read-only handle; root or key with subkeys
inline constexpr long kErrorInvalidHandle = 6;      // not an open key (closed, other machine)
inline constexpr long kErrorWriteProtect = 19;      // the machine's registry is read-only here
inline constexpr long kErrorInvalidParameter = 87;  // bad name, depth, size or account
inline constexpr long kErrorBadPathname = 161;      // empty name inside a path
inline constexpr long kErrorMoreData = 234;         // the caller's buffer is too small
inline constexpr long kErrorNoMoreItems = 259;      // enumeration index past the end
inline constexpr long kErrorRegistryCorrupt = 1015; // the database is damaged or not ours
inline constexpr long kErrorRegistryIoFailed = 1016;  // the database cannot be opened or written
inline constexpr long kErrorKeyDeleted = 1018;      // the open key was deleted meanwhile

}  // namespace platform
