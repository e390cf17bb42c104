// File services: the running program's file and folder, the current folder, existence and
// readability tests, and an atomic file copy, after GetModuleFileNameA,
// GetCurrentDirectoryA, GetFileAttributesA and CopyFileA.
//
// Folders end with the platform separator ('/' on POSIX, '\' on Windows). File names are
// byte strings passed to the system unchanged.
#pragma once

#include <string>

namespace platform {

// The running program's file, as a full path. Fails, leaving `path` unchanged, when the
// system cannot name it.
[[nodiscard]] bool ProgramFile(std::string& path);

// The folder of the running program's file, ending with the separator.
[[nodiscard]] bool ProgramFolder(std::string& folder);

// The process's current folder, ending with the separator.
[[nodiscard]] bool CurrentFolder(std::string& folder);

// True when `path` names a regular file (links followed). A folder, FIFO, device or socket
// is not a file a program can use as one: reading a FIFO waits for a writer, a device may
// never end.
[[nodiscard]] bool FileExists(const char* path);

// True when `path` names a regular file that this process can open for reading.
[[nodiscard]] bool FileReadable(const char* path);

// Copies the file `from` to `to`, with its permission bits and modification time. An existing
// `to` is replaced, unless `fail_if_exists`; `to` is never seen half-written: the copy is made
// beside it and renamed into place. False on any failure, `to` then unchanged. On POSIX the
// rename happens under the lock file the emulated profile functions use (platform/profile.h),
// so a copy over an INI file never interleaves with a profile write there.
[[nodiscard]] bool CopyFileAtomic(const char* from, const char* to, bool fail_if_exists);

}  // namespace platform
