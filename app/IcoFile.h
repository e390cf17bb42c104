// Windows icon files (.ico) whose images are all 32-bit device-independent bitmaps, the form
// of the program's own icon resource, decoded without an image library: the framework's
// general image readers cost a search through its image plugins when the program starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

struct IcoImage {
  int width = 0;
  int height = 0;
  // Top row first, one 0xAARRGGBB value per pixel, alpha not premultiplied.
  std::vector<std::uint32_t> pixels;
};

// The images of the icon file `bytes`, in the file's order. Null when the file is not an
// icon file, is damaged (an image reaching past the end, sizes out of range), or holds an
// image this decoder does not read (PNG-compressed, fewer than 32 bits per pixel,
// compressed bitmaps): a general image reader may still read those.
//
// 32-bit images without any alpha (every alpha byte 0, as older icons have) take their
// transparency from the AND mask that follows the colours; otherwise the mask is ignored.
[[nodiscard]] std::optional<std::vector<IcoImage>> DecodeIcoFile(std::span<const std::byte> bytes);
