// Exact UTF-8 <-> UTF-16 transcoding, shared by the backends that talk to UTF-8 libraries.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Invalid or truncated UTF-8 sequences become U+FFFD, one per maximal invalid subpart.
void Utf8ToUtf16(std::string_view in, std::u16string& out);

// Unpaired surrogates become U+FFFD.
void Utf16ToUtf8(std::u16string_view in, std::string& out);

}  // namespace platform
