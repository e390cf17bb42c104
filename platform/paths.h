// File-path separators and the few tests and edits on them that folder texts need. POSIX
// separates components with '/' only ('\' is an ordinary file-name byte there); Windows
// accepts '\' and '/' and writes '\'. Folder texts end with a separator.
//
// Every helper takes the separator set as an optional last argument, so code on one
// platform can check the other platform's rules:
//
//   platform::EndsWithPathSeparator("C:\\Data\\", "\\/");  // true: the Windows set
//   platform::EndsWithPathSeparator("/data\\");             // false on POSIX
#pragma once

#include <string>
#include <string_view>

namespace platform {

// The separator this platform writes: '/' on POSIX, '\' on Windows.
inline constexpr char kPathSeparator = TIDEWELL_PATH_SEPARATOR;

// Every separator this platform accepts; the first is the one it writes.
inline constexpr std::string_view kPathSeparators = TIDEWELL_PATH_SEPARATORS;
static_assert(!kPathSeparators.empty() && kPathSeparators.front() == kPathSeparator,
              "the separator written must come first in the accepted set");

// True when `c` separates path components.
constexpr bool IsPathSeparator(char c, std::string_view separators = kPathSeparators) {
  return separators.find(c) != std::string_view::npos;
}

// True when `path` is not empty and its last character is a separator.
constexpr bool EndsWithPathSeparator(std::string_view path, std::string_view separators = kPathSeparators) {
  return !path.empty() && IsPathSeparator(path.back(), separators);
}

// Appends the written separator unless `path` already ends with one (an empty path gets one).
inline void AppendPathSeparator(std::string& path, std::string_view separators = kPathSeparators) {
  if (!EndsWithPathSeparator(path, separators)) path += separators.front();
}

// Removes one trailing separator, if there is one.
inline void DropTrailingPathSeparator(std::string& path, std::string_view separators = kPathSeparators) {
  if (EndsWithPathSeparator(path, separators)) path.pop_back();
}

}  // namespace platform
