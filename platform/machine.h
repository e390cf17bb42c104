// The machine and the account the program runs on.
//
// On POSIX both are emulated. ORVANE_PREFIX names the machine's folder (default
// ${XDG_DATA_HOME:-$HOME/.local/share}/orvane), which holds the registry database and the
// machine-wide lock; ORVANE_USER names the account (default the login name). An empty
// variable counts as unset. Both are read at every call, so a process that changes them
// moves to another machine or account from its next call on; tests use that to isolate
// themselves and to play several accounts.
#pragma once

#include <string>

namespace platform {

// The emulated machine's folder, ending with '/', created with its parents on first use.
// Fails, leaving `folder` unchanged, when no folder can be named (no prefix, no data home,
// no home) or it cannot be created. On Windows there is no such folder: always false.
[[nodiscard]] bool MachineFolder(std::string& folder);

// The current account's name (ORVANE_USER, else the login name, else the numeric user id).
// Never empty.
[[nodiscard]] std::string AccountName();

}  // namespace platform
