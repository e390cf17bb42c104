// POSIX locale names as Windows language identifiers, and the locale that a system locale
// configuration (/etc/locale.conf, /etc/default/locale) sets: what a backend without the
// platform's own language settings derives the user's and the system's language from.
#pragma once

#include <string>
#include <string_view>

#include "platform/language.h"

namespace platform::detail {

// The identifier of a POSIX locale name such as "de_CH.UTF-8" or "es_MX@euro"; 0 when the
// language is unknown or the name is "C"/"POSIX"/empty.
[[nodiscard]] LangId LangIdFromLocaleName(std::string_view name);

// The locale a configuration of KEY=value lines (values optionally in single or double
// quotes, '#' comments) sets for messages: LC_ALL, else LC_MESSAGES, else LANG (the last line
// of each counts; an empty value counts as unset); empty when it sets none.
[[nodiscard]] std::string LocaleFromConfig(std::string_view text);

}  // namespace platform::detail
