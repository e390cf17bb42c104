// What the registry backends share: RegistryKey's ownership and the text-value rules.
#include "platform/registry_shared.h"

#include <cstring>
#include <limits>

#include "platform/registry.h"
#include "platform/result_codes.h"

namespace platform {

RegistryKey::~RegistryKey() { Close(); }

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = nullptr;
  }
  return *this;
}

namespace detail {

long CopyStoredText(const std::string& stored, char* data, std::uint32_t* size) {
  const bool terminated = !stored.empty() && stored.back() == '\0';
  const std::size_t needed = stored.size() + (terminated ? 0 : 1);
  if (needed > std::numeric_limits<std::uint32_t>::max()) return kErrorMoreData;
  const bool fits = data != nullptr && *size >= needed;
  if (fits) {
    std::memcpy(data, stored.data(), stored.size());
    if (!terminated) data[stored.size()] = '\0';
  }
  const bool too_small = data != nullptr && !fits;
  *size = static_cast<std::uint32_t>(needed);
  return too_small ? kErrorMoreData : kErrorSuccess;
}

void DropStoredNul(std::string& stored) {
  if (!stored.empty() && stored.back() == '\0') stored.pop_back();
}

}  // namespace detail
}  // namespace platform
