// Extended dialog templates (DLGTEMPLATEEX with its DLGITEMTEMPLATEEX items), as the resource
// compiler stores a DIALOGEX resource, parsed from raw bytes for the tests that read the
// Windows program back. Every field is bounds-checked: garbage gives no template.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace testsupport {

// A field that is absent (0x0000), an ordinal (0xFFFF, then the number) or a NUL-terminated
// UTF-16 text: the menu, a class, an item's title.
struct DialogText {
  bool is_ordinal = false;
  std::uint16_t ordinal = 0;
  std::u16string text;
};

struct DialogItem {
  std::uint32_t help_id = 0, ex_style = 0, style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  std::uint32_t id = 0;
  DialogText window_class, title;
  std::vector<unsigned char> creation_data;
};

struct DialogFont {
  std::uint16_t point_size = 0, weight = 0;
  std::uint8_t italic = 0, charset = 0;
  std::u16string typeface;
};

struct DialogTemplate {
  std::uint16_t version = 0, signature = 0;
  std::uint32_t help_id = 0, ex_style = 0, style = 0;
  std::int16_t x = 0, y = 0, cx = 0, cy = 0;
  DialogText menu, window_class;
  std::u16string title;
  std::optional<DialogFont> font;  // present when the style has DS_SETFONT or DS_SHELLFONT
  std::vector<DialogItem> items;
};

// The template in `bytes`: version 1, signature 0xFFFF, and exactly as many items as its
// header counts, each starting on a 4-byte boundary. Empty when the bytes are not such a
// template or end inside it.
[[nodiscard]] std::optional<DialogTemplate> ParseDialogTemplateEx(std::span<const unsigned char> bytes);

}  // namespace testsupport
