// The text-value rules shared by the registry backends.
#include "platform/registry_text.h"

#include <cstring>
#include <limits>

#include "platform/result_codes.h"

namespace platform::detail {

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

}  // namespace platform::detail
