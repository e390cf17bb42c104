// Walks over a tree of registry keys for orvane-reg: names of subkeys and values, and a
// depth-first visit that keeps one open key per level on the heap (a registry made by an
// older version may be deeper than the stack would hold as recursion).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace orvanereg {

// The names of the subkeys or of the values of `key`, in the registry's order.
[[nodiscard]] long Names(HKEY key, bool subkeys, std::vector<std::string>& names);

// Called for each key with its open handle, its display path (root name first) and its value
// names; a non-zero result ends the walk with that result.
using KeyVisitor = std::function<int(HKEY key, const std::string& display, const std::vector<std::string>& values)>;
// Called when a key cannot be opened or listed; a non-zero result ends the walk with it,
// zero steps over the key and the keys below it.
using KeyFailure = std::function<int(const std::string& display, const char* what, long error)>;

// Visits the key `path` below `root` (shown as `display`) and, when `recursive`, every key
// below it, depth first in the registry's order. 0 when the walk went through to its end.
[[nodiscard]] int WalkTree(HKEY root, const std::string& path, const std::string& display, bool recursive,
                           const KeyVisitor& visit, const KeyFailure& fail);

}  // namespace orvanereg
