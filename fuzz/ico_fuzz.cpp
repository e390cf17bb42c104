// The icon decoder on arbitrary bytes: never a fault, and a decoded file is well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "app/IcoFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto images = DecodeIcoFile(std::as_bytes(std::span(data, size)));
  if (!images) return 0;
  if (images->empty()) std::abort();
  for (const IcoImage& image : *images) {
    if (image.width < 1 || image.width > 256 || image.height < 1 || image.height > 256) std::abort();
    if (image.pixels.size() != static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height))
      std::abort();
  }
  return 0;
}
