// The icon file layout: a 6-byte header (reserved 0, type 1, image count), 16 bytes per
// image (width, height, colours, reserved, planes, bits per pixel, byte count, offset), then
// the images. An image in bitmap form is a BITMAPINFOHEADER whose height counts the colour
// rows and the mask rows, the colour rows bottom-up as B, G, R, A bytes, then the AND mask,
// one bit per pixel, rows padded to 32 bits, also bottom-up.
#include "app/IcoFile.h"

namespace {

constexpr std::size_t kFileHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::uint32_t kMinBitmapHeaderSize = 40;
constexpr int kMaxSide = 256;  // the largest image an icon file can describe
constexpr std::uint32_t kUncompressed = 0;

std::uint32_t Read16(std::span<const std::byte> bytes, std::size_t at) {
  return std::to_integer<std::uint32_t>(bytes[at]) | std::to_integer<std::uint32_t>(bytes[at + 1]) << 8;
}

std::uint32_t Read32(std::span<const std::byte> bytes, std::size_t at) {
  return Read16(bytes, at) | Read16(bytes, at + 2) << 16;
}

std::int32_t ReadSigned32(std::span<const std::byte> bytes, std::size_t at) {
  return static_cast<std::int32_t>(Read32(bytes, at));
}

// One image in 32-bit bitmap form; null when it is in any other form or damaged.
std::optional<IcoImage> DecodeBitmap(std::span<const std::byte> image) {
  if (image.size() < kMinBitmapHeaderSize) return std::nullopt;
  const std::uint32_t header_size = Read32(image, 0);
  const std::int32_t width = ReadSigned32(image, 4);
  const std::int32_t double_height = ReadSigned32(image, 8);
  const std::uint32_t bits = Read16(image, 14);
  const std::uint32_t compression = Read32(image, 16);
  const std::uint32_t palette_entries = Read32(image, 32);
  if (header_size < kMinBitmapHeaderSize || bits != 32 || compression != kUncompressed) return std::nullopt;
  if (width < 1 || width > kMaxSide || double_height < 2 || double_height > 2 * kMaxSide || double_height % 2 != 0)
    return std::nullopt;
  const int height = double_height / 2;

  // Sizes stay far below 2^32 here: the header and palette are checked one at a time.
  const std::size_t pixel_bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  const std::size_t mask_row_bytes = (static_cast<std::size_t>(width) + 31) / 32 * 4;
  if (header_size > image.size() || palette_entries > (image.size() - header_size) / 4) return std::nullopt;
  const std::size_t colours_at = header_size + std::size_t{palette_entries} * 4;
  if (pixel_bytes > image.size() - colours_at) return std::nullopt;
  const std::size_t mask_at = colours_at + pixel_bytes;

  IcoImage decoded{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  bool any_alpha = false;
  for (int row = 0; row < height; ++row) {
    const std::size_t from = colours_at + static_cast<std::size_t>(height - 1 - row) * width * 4;
    for (int col = 0; col < width; ++col) {
      const std::uint32_t bgra = Read32(image, from + static_cast<std::size_t>(col) * 4);
      decoded.pixels[static_cast<std::size_t>(row) * width + col] = bgra;  // little-endian B,G,R,A is 0xAARRGGBB
      any_alpha = any_alpha || (bgra >> 24) != 0;
    }
  }
  if (any_alpha) return decoded;

  // No alpha at all: the AND mask says which pixels are transparent (bit set).
  if (mask_row_bytes * height > image.size() - mask_at) return std::nullopt;
  for (int row = 0; row < height; ++row) {
    const std::size_t from = mask_at + static_cast<std::size_t>(height - 1 - row) * mask_row_bytes;
    for (int col = 0; col < width; ++col) {
      const bool transparent =
          (std::to_integer<unsigned>(image[from + static_cast<std::size_t>(col) / 8]) >> (7 - col % 8) & 1U) != 0;
      std::uint32_t& pixel = decoded.pixels[static_cast<std::size_t>(row) * width + col];
      pixel = transparent ? 0U : (pixel | 0xFF000000U);
    }
  }
  return decoded;
}

}  // namespace

std::optional<std::vector<IcoImage>> DecodeIcoFile(std::span<const std::byte> bytes) {
  if (bytes.size() < kFileHeaderSize || Read16(bytes, 0) != 0 || Read16(bytes, 2) != 1) return std::nullopt;
  const std::size_t count = Read16(bytes, 4);
  if (count == 0 || count > (bytes.size() - kFileHeaderSize) / kEntrySize) return std::nullopt;

  std::vector<IcoImage> images;
  images.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t entry = kFileHeaderSize + i * kEntrySize;
    const std::size_t size = Read32(bytes, entry + 8);
    const std::size_t offset = Read32(bytes, entry + 12);
    if (offset > bytes.size() || size > bytes.size() - offset) return std::nullopt;
    auto image = DecodeBitmap(bytes.subspan(offset, size));
    if (!image) return std::nullopt;
    images.push_back(std::move(*image));
  }
  return images;
}
