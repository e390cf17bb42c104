// What every registry backend shares (platform/registry.h): how a stored text value reaches
// its caller (the stored bytes may or may not end with a NUL; the caller gets exactly one).
// registry_shared.cpp also holds RegistryKey's destructor and moves, which only Close, each
// backend's own, tells apart.
#pragma once

#include <cstdint>
#include <string>

namespace platform::detail {

// Copies `stored` into `data` of `*size` bytes with one terminating NUL and sets `*size` to
// the bytes that takes. A null `data` only reports the size. When it does not fit:
// kErrorMoreData, the needed size in `*size`, `data` untouched.
[[nodiscard]] long CopyStoredText(const std::string& stored, char* data, std::uint32_t* size);

// Removes the terminating NUL that `stored` may carry.
void DropStoredNul(std::string& stored);

}  // namespace platform::detail
