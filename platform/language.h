// The user's and the system's language identifiers, after GetUserDefaultLangID and
// GetSystemDefaultLangID. An identifier is the Windows LANGID: the primary language in the
// low 10 bits (German 0x07, English 0x09, Spanish 0x0A, French 0x0C, Italian 0x10, ...)
// and the sublanguage above it. 0 means "none set".
//
// The Windows backend asks the system. The POSIX backend emulates both: the user's language comes from LC_ALL, LC_MESSAGES, LANG (the first one set
// and not empty); the system's from the system locale configuration (/etc/locale.conf, then
// /etc/default/locale), read once per process as Windows reads it once per boot; "C",
// "POSIX", unset and unknown names give 0.
#pragma once

namespace platform {

using LangId = unsigned short;

[[nodiscard]] LangId UserDefaultLangId();
[[nodiscard]] LangId SystemDefaultLangId();

[[nodiscard]] constexpr unsigned PrimaryLangId(LangId id) { return id & 0x3FFu; }

}  // namespace platform
