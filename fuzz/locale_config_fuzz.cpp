// Feeds arbitrary text to the system locale configuration's reader and the locale-name
// mapping: whatever the file holds, the answer is one of its values (or empty) and maps to a
// language identifier without failing.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/language.h"
#include "platform/emulation/locale_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string locale = platform::detail::LocaleFromConfig(text);
  if (!locale.empty() && text.find(locale) == std::string::npos) std::abort();
  (void)platform::detail::LangIdFromLocaleName(locale);
  (void)platform::detail::LangIdFromLocaleName(text);
  return 0;
}
