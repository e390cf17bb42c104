// Case folding of 8-bit ANSI names (Windows-1252), shared by the registry and the profile
// functions, which compare names without case the way Windows does: both sides mapped to
// upper-case UTF-16 code units.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::detail {

// The upper-case UTF-16 code unit of one Windows-1252 byte. Bytes that code page leaves
// undefined stand for the C1 control of the same value, as the Windows converter gives them.
constexpr char16_t AnsiToUpper(unsigned char c) noexcept {
  constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0191, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0160, 0x203A, 0x0152, 0x009D, 0x017D, 0x0178,
  };
  if (c >= 'a' && c <= 'z') return static_cast<char16_t>(c - 0x20);
  if (c >= 0x80 && c < 0xA0) return kHigh[c - 0x80];
  if (c == 0xB5) return 0x039C;  // micro sign: its upper case is the Greek capital mu
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x0178;
  return c;
}

// True when both names are equal without case.
constexpr bool AnsiEqualNoCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AnsiToUpper(static_cast<unsigned char>(a[i])) != AnsiToUpper(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The folded form of a name as bytes whose plain byte order is the order of the upper-case
// UTF-16 code units (big-endian pairs): equal for names equal without case, and sorted the
// way Windows enumerates registry keys.
inline std::string AnsiFoldKey(std::string_view name) {
  std::string key;
  key.reserve(name.size() * 2);
  for (const char c : name) {
    const char16_t u = AnsiToUpper(static_cast<unsigned char>(c));
    key.push_back(static_cast<char>(u >> 8));
    key.push_back(static_cast<char>(u & 0xFF));
  }
  return key;
}

}  // namespace platform::detail
