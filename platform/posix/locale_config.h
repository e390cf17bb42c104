// The system locale configuration (/etc/locale.conf, /etc/default/locale): KEY=value lines,
// values optionally in single or double quotes, '#' comments.
#pragma once

#include <istream>
#include <string>

namespace platform::detail {

// The locale the configuration sets for messages: LC_ALL, else LC_MESSAGES, else LANG (the
// last line of each counts; an empty value counts as unset); empty when it sets none.
[[nodiscard]] std::string LocaleFromConfig(std::istream& in);

}  // namespace platform::detail
