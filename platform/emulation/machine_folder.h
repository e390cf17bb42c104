// The emulated machine's folder as the POSIX backends find it, without creating it, so that
// callers that already have it open pay no file-system calls to recheck it.
#pragma once

#include <string>

namespace platform::detail {

// The folder named by the environment, without a trailing '/'; false when none can be named.
[[nodiscard]] bool MachineFolderName(std::string& folder);

// Creates `folder` and its missing parents; true when it is a folder afterwards.
[[nodiscard]] bool MakeFolders(const std::string& folder);

}  // namespace platform::detail
