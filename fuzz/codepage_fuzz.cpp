// Feeds arbitrary bytes to the code-page conversions, single-byte and double-byte alike:
// decoding, encoding and ANSI <-> OEM conversion never fail for a known code page, and what
// decodes from UTF-8 or from a single-byte code page encodes back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include "platform/codepage.h"

namespace {

constexpr unsigned kCodePages[] = {0, 1, 437, 850, 852, 866, 874, 1250, 1251, 1252, 1253, 1255,
                                   1256, 1258, 20127, 28591, 28592, 28605, 65001, 932, 936, 949, 950};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const unsigned from = kCodePages[data[0] % std::size(kCodePages)];
  const unsigned to = kCodePages[data[1] % std::size(kCodePages)];
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  std::u16string wide;
  Check(platform::ToUtf16(text, from, wide));
  Check(wide.size() <= text.size());  // never more characters than bytes
  std::string back;
  Check(platform::FromUtf16(wide, from, back));
  const bool singleByte = from != 65001 && from != 932 && from != 936 && from != 949 && from != 950;
  if (singleByte && wide.find(u'\uFFFD') == std::u16string::npos) Check(back == text);

  std::string converted;
  Check(platform::ConvertCodePage(text, from, to, converted));

  // Arbitrary 16-bit text, unpaired surrogates included, encodes without failing.
  const std::u16string_view units(reinterpret_cast<const char16_t*>(data + 2), (size - 2) / 2);
  std::string encoded;
  Check(platform::FromUtf16(std::u16string(units), to, encoded));
  if (to == 65001 && platform::ToUtf16(encoded, 65001, wide)) Check(wide.size() <= units.size());
  return 0;
}
