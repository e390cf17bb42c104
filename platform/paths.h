// The platform's file-path separator: '/' on POSIX, '\' on Windows. Folder texts end with it.
#pragma once

namespace platform {

inline constexpr char kPathSeparator = TIDEWELL_PATH_SEPARATOR;

}  // namespace platform
