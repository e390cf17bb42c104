// Code-page conversion between 8-bit text and UTF-16, after the platform's
// MultiByteToWideChar / WideCharToMultiByte.
//
// Code pages are Windows numbers. 0 names the machine's ANSI code page and 1 its OEM code
// page; on POSIX these are 1252 and 850. Explicit numbers cover the Windows single-byte
// code pages (437, 850, 852, 866, 874, 1250-1258, 28591-28605, 20127, ...), UTF-8 (65001)
// and the East Asian double-byte code pages (932, 936, 949, 950).
#pragma once

#include <string>
#include <string_view>

namespace platform {

inline constexpr unsigned kCodePageAnsi = 0;  // CP_ACP
inline constexpr unsigned kCodePageOem = 1;   // CP_OEMCP
inline constexpr unsigned kCodePageUtf8 = 65001;

// The machine's ANSI and OEM code pages (1252 and 850 on POSIX).
[[nodiscard]] unsigned AnsiCodePage();
[[nodiscard]] unsigned OemCodePage();

// True when the code page (0 and 1 included) can be converted.
[[nodiscard]] bool IsKnownCodePage(unsigned code_page);

// Decodes 8-bit text into `out`. Bytes the code page leaves undefined come out as the
// Windows converter gives them in single-byte code pages (the C1 control of the same value).
// An incomplete or invalid sequence in a multi-byte code page gives a replacement character:
// the code page's own default on Windows (U+30FB for 932), U+FFFD on POSIX, one per maximal
// invalid subpart in UTF-8 (Windows may count an encoded surrogate differently). Fails,
// leaving `out` unchanged, only for an unknown code page.
[[nodiscard]] bool ToUtf16(std::string_view text, unsigned code_page, std::u16string& out);

// Encodes UTF-16 into 8-bit text in `out`; characters the code page cannot hold become '?'
// (never a look-alike), unpaired surrogates too (U+FFFD in UTF-8). A character outside the
// BMP that the code page cannot hold gives one '?' on POSIX, one per surrogate on Windows.
// Fails, leaving `out` unchanged, only for an unknown code page.
[[nodiscard]] bool FromUtf16(std::u16string_view text, unsigned code_page, std::string& out);

// Converts 8-bit text from one code page to another through UTF-16 (ANSI <-> OEM).
[[nodiscard]] bool ConvertCodePage(std::string_view text, unsigned from, unsigned to,
                                   std::string& out);

// True when two texts in the ANSI code page are equal without case, by the system's case
// table: Windows compares their UTF-16 ordinally ignoring case (CompareStringOrdinal), POSIX
// maps both to upper case by code page 1252's table, as registry and profile names compare.
// "\xC4rger" and "\xE4rger" are equal; so are "I" and "i" whatever the user's locale.
[[nodiscard]] bool AnsiEqualNoCase(std::string_view a, std::string_view b);

}  // namespace platform
