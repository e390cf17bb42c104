// The user's and the system's language on POSIX: the locale environment variables and the
// system locale configuration files.
#include "platform/language.h"

#include <cstdlib>
#include <initializer_list>
#include <string>

#include "platform/emulation/locale_names.h"
#include "platform/posix/atomic_file.h"

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

// The system's language is read once per process: Windows, too, fixes it when it starts, and
// every look-up of a resource's language asks for it.
LangId SystemDefaultLangId() {
  static const LangId system = [] {
    for (const char* path : {"/etc/locale.conf", "/etc/default/locale"}) {
      // Read with the system's calls: the first file stream of a process sets up the C++
      // library's locale machinery, which costs this program's start more than the reading.
      std::string text;
      if (detail::ReadWholeFile(path, text) != detail::ReadStatus::kRead) continue;
      const std::string name = detail::LocaleFromConfig(text);
      if (!name.empty()) return detail::LangIdFromLocaleName(name);
    }
    return LangId{0};
  }();
  return system;
}

}  // namespace platform
