// The icon decoder: bitmap layout (row order, channel order, alpha or AND mask), the forms
// it leaves to a general reader, and damaged files.
#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <span>
#include <string>

#include "app/IcoFile.h"
#include "tests/support/IcoWriter.h"

namespace {

using test_support::IcoBitmap;
using test_support::IcoFile;

std::optional<std::vector<IcoImage>> Decode(const std::string& file) {
  return DecodeIcoFile(std::as_bytes(std::span(file.data(), file.size())));
}

// A 3x2 image whose every pixel differs, top row first.
const std::vector<std::uint32_t> kSixPixels = {0xFF112233, 0x80445566, 0x00778899,
                                               0xFFAABBCC, 0x01DDEEFF, 0xFF000001};

TEST(IcoFile, ImagesComeTopRowFirstWithTheirAlphaInTheFilesOrder) {
  const auto images = Decode(IcoFile({{3, IcoBitmap(3, 2, kSixPixels)},
                                      {1, IcoBitmap(1, 1, {0xFFFF0000})}}));
  ASSERT_TRUE(images.has_value());
  ASSERT_EQ(images->size(), 2u);
  EXPECT_EQ((*images)[0].width, 3);
  EXPECT_EQ((*images)[0].height, 2);
  EXPECT_EQ((*images)[0].pixels, kSixPixels);
  EXPECT_EQ((*images)[1].pixels, std::vector<std::uint32_t>{0xFFFF0000});
}

TEST(IcoFile, TheMaskGivesTransparencyOnlyToImagesWithoutAlpha) {
  // Width 9: the mask row carries a second byte, and bit order is most significant first.
  std::vector<std::uint32_t> colours(18, 0x00102030);
  std::vector<bool> transparent(18, false);
  transparent[0] = transparent[8] = transparent[9 + 7] = true;
  const auto images = Decode(IcoFile({{9, IcoBitmap(9, 2, colours, transparent)}}));
  ASSERT_TRUE(images.has_value());
  const auto& pixels = (*images)[0].pixels;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(pixels[i], transparent[i] ? 0x00000000u : 0xFF102030u);
  }

  // One pixel with alpha: the alpha bytes are the transparency, the mask is ignored.
  colours[4] = 0x40102030;
  const auto with_alpha = Decode(IcoFile({{9, IcoBitmap(9, 2, colours, transparent)}}));
  ASSERT_TRUE(with_alpha.has_value());
  EXPECT_EQ((*with_alpha)[0].pixels, colours);
}

TEST(IcoFile, OtherFormsAreLeftToAGeneralReader) {
  const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\0');
  EXPECT_FALSE(Decode(IcoFile({{16, png}})).has_value());
  // A bitmap image beside a PNG one: the file is not decoded halfway.
  EXPECT_FALSE(Decode(IcoFile({{1, IcoBitmap(1, 1, {0xFF000000})}, {16, png}})).has_value());

  std::string bits24 = IcoBitmap(2, 2, {0, 0, 0, 0});
  bits24[14] = 24;
  EXPECT_FALSE(Decode(IcoFile({{2, bits24}})).has_value());
  std::string compressed = IcoBitmap(2, 2, {0, 0, 0, 0});
  compressed[16] = 3;
  EXPECT_FALSE(Decode(IcoFile({{2, compressed}})).has_value());
  // A cursor file (type 2) and a file without images.
  std::string cursor = IcoFile({{1, IcoBitmap(1, 1, {0xFF000000})}});
  cursor[2] = 2;
  EXPECT_FALSE(Decode(cursor).has_value());
  EXPECT_FALSE(Decode(IcoFile({})).has_value());
}

TEST(IcoFile, SidesOutOfRangeAreRefused) {
  auto with_sides = [](std::int32_t width, std::int32_t double_height) {
    std::string image = IcoBitmap(1, 1, {0xFF000000});
    for (int i = 0; i < 4; ++i) {
      image[4 + i] = static_cast<char>(static_cast<std::uint32_t>(width) >> (8 * i));
      image[8 + i] = static_cast<char>(static_cast<std::uint32_t>(double_height) >> (8 * i));
    }
    image.append(257 * 257 * 4 * 2, '\0');  // room enough that only the sides can be wrong
    return Decode(IcoFile({{1, image}}));
  };
  EXPECT_TRUE(with_sides(256, 512).has_value());
  EXPECT_FALSE(with_sides(257, 2).has_value());
  EXPECT_FALSE(with_sides(1, 514).has_value());
  EXPECT_FALSE(with_sides(0, 2).has_value());
  EXPECT_FALSE(with_sides(-1, 2).has_value());
  EXPECT_FALSE(with_sides(1, -2).has_value());  // top-down bitmaps are not icon images
  EXPECT_FALSE(with_sides(1, 3).has_value());   // colour and mask rows must pair up
  EXPECT_FALSE(with_sides(1, 0).has_value());
}

TEST(IcoFile, DamagedFilesAreRefusedWithoutReadingPastTheirEnd) {
  const std::string whole = IcoFile({{3, IcoBitmap(3, 2, kSixPixels)}, {2, IcoBitmap(2, 2, {0, 0, 0, 0})}});
  ASSERT_TRUE(Decode(whole).has_value());
  // Every shorter file (run under the address sanitizer, a read past the end is a failure).
  for (std::size_t size = 0; size < whole.size(); ++size) {
    SCOPED_TRACE(size);
    EXPECT_FALSE(Decode(whole.substr(0, size)).has_value());
  }

  // Directory entries pointing past the end, and a palette count that would run past it.
  std::string far = whole;
  far[6 + 12 + 3] = '\x7F';
  EXPECT_FALSE(Decode(far).has_value());
  std::string long_entry = whole;
  long_entry[6 + 8 + 3] = '\x7F';
  EXPECT_FALSE(Decode(long_entry).has_value());
  std::string palette = whole;
  palette[6 + 32 + 32 + 3] = '\x40';
  EXPECT_FALSE(Decode(palette).has_value());

  // Random damage: any answer, never a fault.
  std::mt19937 random(7);
  for (int round = 0; round < 5000; ++round) {
    std::string damaged = whole;
    for (int hits = 0; hits < 4; ++hits)
      damaged[random() % damaged.size()] = static_cast<char>(random());
    (void)Decode(damaged);
  }
}

}  // namespace
