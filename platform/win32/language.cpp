// The user's and the system's language on Windows: the system's own settings.
#include "platform/language.h"

#include "platform/win32/win32_api.h"

namespace platform {

LangId UserDefaultLangId() { return GetUserDefaultLangID(); }
LangId SystemDefaultLangId() { return GetSystemDefaultLangID(); }

}  // namespace platform
