// Feeds arbitrary bytes to the translation table: as a whole table, and as the stored text
// of one entry, then looks texts up with and without unescaping.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "localization/XMLLocalizer.h"

namespace {

constexpr unsigned kCodePages[] = {0, 1252, 28591, 850, 65001, 932};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const unsigned mode = data[0];
  const std::string input(reinterpret_cast<const char*>(data + 1), size - 1);
  const unsigned code_page = kCodePages[(mode >> 1) % std::size(kCodePages)];

  std::string table;
  if (mode & 1) {
    table = "<TRANSLATIONS><TRANSLATE ItemId=\"K\"><English>" + input +
            "</English></TRANSLATE></TRANSLATIONS>";
  } else {
    table = input;
  }

  XMLLocalizer texts;
  const bool loaded = texts.LoadFromData(table.c_str(), "English", true, code_page);
  for (const char* key : {"K", "LUMORA_TITLE", "LUMORA_VELTARO_UPDATE_VERSION", ""}) {
    const std::string joined = texts.GetString(key, false);
    const std::string unescaped = texts.GetString(key, true);
    // Lookups never change the table, and joining never lengthens a text.
    Check(texts.GetString(key, true) == unescaped);
    Check(texts.GetString(key, false) == joined);
    if (!loaded) Check(joined == key && unescaped == key);
  }
  return 0;
}
