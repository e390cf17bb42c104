// UTF-8 <-> UTF-16 transcoding with the Unicode replacement rules.
#include "platform/unicode.h"

namespace platform {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

void Utf8ToUtf16(std::string_view in, std::u16string& out) {
  out.clear();
  out.reserve(in.size());
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  const std::size_t n = in.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    // Length and the permitted range of the second byte (which excludes overlongs,
    // surrogates and values past U+10FFFF), per the well-formed byte sequence table.
    std::size_t len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    char32_t cp = 0;
    if (c >= 0xC2 && c <= 0xDF) { len = 2; cp = c & 0x1F; }
    else if (c >= 0xE0 && c <= 0xEF) {
      len = 3; cp = c & 0x0F;
      if (c == 0xE0) lo = 0xA0;
      if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      len = 4; cp = c & 0x07;
      if (c == 0xF0) lo = 0x90;
      if (c == 0xF4) hi = 0x8F;
    } else {
      out.push_back(kReplacement);
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k < len && i + k < n; ++k) {
      const unsigned char d = s[i + k];
      if (k == 1 ? (d < lo || d > hi) : !IsContinuation(d)) break;
      cp = (cp << 6) | (d & 0x3F);
    }
    if (k < len) {  // truncated or broken: one replacement for the maximal subpart
      out.push_back(kReplacement);
      i += k;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += len;
  }
}

void Utf16ToUtf8(std::u16string_view in, std::string& out) {
  out.clear();
  out.reserve(in.size());
  const std::size_t n = in.size();
  for (std::size_t i = 0; i < n; ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = kReplacement;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
}

}  // namespace platform
