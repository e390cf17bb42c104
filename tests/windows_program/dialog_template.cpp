// DLGTEMPLATEEX parsing: a cursor over the bytes that refuses every read past their end.
#include "tests/windows_program/dialog_template.h"

namespace testsupport {
namespace {

constexpr std::uint32_t kDsSetFont = 0x40;  // also part of DS_SHELLFONT

class Cursor {
 public:
  explicit Cursor(std::span<const unsigned char> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }

  std::uint16_t U16() {
    if (!Need(2)) return 0;
    const auto v = static_cast<std::uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | (std::uint32_t{U16()} << 16);
  }
  std::int16_t I16() { return static_cast<std::int16_t>(U16()); }
  std::uint8_t U8() {
    if (!Need(1)) return 0;
    return bytes_[at_++];
  }

  // A NUL-terminated UTF-16 text; each unit read moves on, so the loop ends with the bytes.
  std::u16string Text() {
    std::u16string text;
    for (char16_t c = U16(); ok_ && c != 0; c = U16()) text.push_back(c);
    return text;
  }

  DialogText TextOrOrdinal() {
    DialogText field;
    if (!Need(2)) return field;
    const auto first = static_cast<std::uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    if (first == 0xFFFF) {
      at_ += 2;
      field.is_ordinal = true;
      field.ordinal = U16();
    } else {
      field.text = Text();
    }
    return field;
  }

  std::vector<unsigned char> Bytes(std::size_t n) {
    if (!Need(n)) return {};
    std::vector<unsigned char> out(bytes_.begin() + static_cast<std::ptrdiff_t>(at_),
                                   bytes_.begin() + static_cast<std::ptrdiff_t>(at_ + n));
    at_ += n;
    return out;
  }

  void AlignTo4() {
    const std::size_t aligned = (at_ + 3) & ~std::size_t{3};
    if (aligned > bytes_.size()) ok_ = false;
    else at_ = aligned;
  }

 private:
  bool Need(std::size_t n) {
    if (!ok_ || bytes_.size() - at_ < n) ok_ = false;
    return ok_;
  }

  std::span<const unsigned char> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

DialogItem ReadItem(Cursor& in) {
  DialogItem item;
  item.help_id = in.U32();
  item.ex_style = in.U32();
  item.style = in.U32();
  item.x = in.I16(), item.y = in.I16(), item.cx = in.I16(), item.cy = in.I16();
  item.id = in.U32();
  item.window_class = in.TextOrOrdinal();
  item.title = in.TextOrOrdinal();
  item.creation_data = in.Bytes(in.U16());
  return item;
}

}  // namespace

std::optional<DialogTemplate> ParseDialogTemplateEx(std::span<const unsigned char> bytes) {
  Cursor in(bytes);
  DialogTemplate dialog;
  dialog.version = in.U16();
  dialog.signature = in.U16();
  if (!in.ok() || dialog.version != 1 || dialog.signature != 0xFFFF) return std::nullopt;
  dialog.help_id = in.U32();
  dialog.ex_style = in.U32();
  dialog.style = in.U32();
  const std::uint16_t count = in.U16();
  dialog.x = in.I16(), dialog.y = in.I16(), dialog.cx = in.I16(), dialog.cy = in.I16();
  dialog.menu = in.TextOrOrdinal();
  dialog.window_class = in.TextOrOrdinal();
  dialog.title = in.Text();
  if (dialog.style & kDsSetFont) {
    DialogFont font;
    font.point_size = in.U16();
    font.weight = in.U16();
    font.italic = in.U8();
    font.charset = in.U8();
    font.typeface = in.Text();
    dialog.font = font;
  }
  // Every item takes at least 24 bytes, so a count the bytes cannot hold fails early.
  for (std::uint16_t i = 0; i < count && in.ok(); ++i) {
    in.AlignTo4();
    dialog.items.push_back(ReadItem(in));
  }
  if (!in.ok()) return std::nullopt;
  return dialog;
}

}  // namespace testsupport
