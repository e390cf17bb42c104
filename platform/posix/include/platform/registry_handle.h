// The registry's handle type and roots on POSIX, where the emulated registry
// (platform/registry.h) makes its own handles. The Windows backend's header of the same name
// takes them from <windows.h>; the build puts the selected backend's include folder on the
// path.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::detail {
// The bits of a registry handle; only the backend makes and reads them.
struct RegistryHandleBits {
  std::uintptr_t bits;  // 0: no key
};
}  // namespace platform::detail

// A registry key handle as the platform names it: one of the three roots or a key opened
// through platform::RegistryKey. A plain value: copies name the same key, and it closes
// nothing. Null (default, nullptr or 0) names no key.
class HKEY {
 public:
  constexpr HKEY() noexcept = default;
  // Implicit, so that `HKEY key = NULL;` and `key == nullptr` read as on Windows.
  constexpr HKEY(std::nullptr_t) noexcept {}
  explicit constexpr HKEY(platform::detail::RegistryHandleBits handle) noexcept : bits_(handle.bits) {}

  // The handle's bits, for the backend; whether it names a key; whether two name the same.
  [[nodiscard]] constexpr platform::detail::RegistryHandleBits bits() const noexcept { return {bits_}; }
  explicit constexpr operator bool() const noexcept { return bits_ != 0; }
  friend constexpr bool operator==(HKEY a, HKEY b) noexcept { return a.bits_ == b.bits_; }

 private:
  std::uintptr_t bits_ = 0;
};

// The roots, with the values Windows gives them.
inline constexpr HKEY HKEY_CURRENT_USER{platform::detail::RegistryHandleBits{0x80000001u}};
inline constexpr HKEY HKEY_LOCAL_MACHINE{platform::detail::RegistryHandleBits{0x80000002u}};
inline constexpr HKEY HKEY_USERS{platform::detail::RegistryHandleBits{0x80000003u}};
