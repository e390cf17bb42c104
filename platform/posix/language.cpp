// The user's and the system's language on POSIX: the locale environment variables and the
// system locale configuration files.
#include "platform/language.h"

#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>

#include "platform/emulation/locale_names.h"

namespace platform {
namespace {

const char* FirstSetEnv(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return nullptr;
}

}  // namespace

LangId UserDefaultLangId() {
  const char* name = FirstSetEnv({"LC_ALL", "LC_MESSAGES", "LANG"});
  return name == nullptr ? 0 : detail::LangIdFromLocaleName(name);
}

LangId SystemDefaultLangId() {
  for (const char* path : {"/etc/locale.conf", "/etc/default/locale"}) {
    std::ifstream in(path);
    const std::string name = detail::LocaleFromConfig(in);
    if (!name.empty()) return detail::LangIdFromLocaleName(name);
  }
  return 0;
}

}  // namespace platform
