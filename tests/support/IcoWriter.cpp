#include "tests/support/IcoWriter.h"

namespace test_support {
namespace {

void Put16(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

std::string IcoBitmap(int width, int height, const std::vector<std::uint32_t>& argb,
                      const std::vector<bool>& transparent) {
  const std::size_t w = static_cast<std::size_t>(width), h = static_cast<std::size_t>(height);
  const std::size_t mask_row = (w + 31) / 32 * 4;
  std::string image;
  Put32(image, 40);
  Put32(image, static_cast<std::uint32_t>(width));
  Put32(image, static_cast<std::uint32_t>(2 * height));  // colour rows and mask rows
  Put16(image, 1);
  Put16(image, 32);
  Put32(image, 0);
  Put32(image, static_cast<std::uint32_t>(w * h * 4 + h * mask_row));
  for (int i = 0; i < 4; ++i) Put32(image, 0);
  for (std::size_t row = h; row-- > 0;) {  // bottom-up
    for (std::size_t col = 0; col < w; ++col) Put32(image, argb[row * w + col]);  // B, G, R, A
  }
  for (std::size_t row = h; row-- > 0;) {
    std::string bits(mask_row, '\0');
    for (std::size_t col = 0; col < w && !transparent.empty(); ++col) {
      if (transparent[row * w + col]) bits[col / 8] = static_cast<char>(bits[col / 8] | (0x80 >> (col % 8)));
    }
    image += bits;
  }
  return image;
}

std::string IcoFile(const std::vector<std::pair<int, std::string>>& images) {
  std::string file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<std::uint32_t>(images.size()));
  std::size_t offset = 6 + 16 * images.size();
  for (const auto& [side, bytes] : images) {
    file += static_cast<char>(side % 256);
    file += static_cast<char>(side % 256);
    file += '\0';
    file += '\0';
    Put16(file, 1);
    Put16(file, 32);
    Put32(file, static_cast<std::uint32_t>(bytes.size()));
    Put32(file, static_cast<std::uint32_t>(offset));
    offset += bytes.size();
  }
  for (const auto& image : images) file += image.second;
  return file;
}

}  // namespace test_support
