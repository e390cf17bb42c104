// Windows icon files (.ico) for tests: 32-bit bitmap images with an AND mask, and PNG
// placeholders, packed behind the file's directory.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

// One image as a 32-bit bitmap: `argb` top row first (0xAARRGGBB), `transparent` one flag per
// pixel for the AND mask (all clear when empty).
std::string IcoBitmap(int width, int height, const std::vector<std::uint32_t>& argb,
                      const std::vector<bool>& transparent = {});

// An icon file of (side as the directory tells it, image bytes) pairs, in that order.
std::string IcoFile(const std::vector<std::pair<int, std::string>>& images);

}  // namespace test_support
