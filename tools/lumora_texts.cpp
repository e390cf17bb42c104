// lumora-texts: shows the texts of the embedded translation table as the program would
// display them, in the user's language or in the languages named on the command line.
//
//   lumora-texts            the user's interface language (LC_ALL, LC_MESSAGES, LANG)
//   lumora-texts German     one language by its element name
//   lumora-texts --all      every language of the table
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "localization/XMLLocalizer.h"
#include "platform/codepage.h"

namespace {

constexpr const char* kKeys[] = {"LUMORA_TITLE", "LUMORA_OK", "LUMORA_CANCEL", "LUMORA_VELTARO_NOT_INSTALLED",
                                 "LUMORA_VELTARO_UPDATE_VERSION"};
constexpr const char* kLanguages[] = {"English", "Italian", "French", "German", "Spanish"};

// The terminal speaks UTF-8; the table's texts are in the ANSI code page.
std::string ForTerminal(const std::string& ansi) {
  std::string utf8;
  if (!platform::ConvertCodePage(ansi, platform::kCodePageAnsi, platform::kCodePageUtf8, utf8)) return ansi;
  std::string indented;
  for (char c : utf8) {
    indented.push_back(c);
    if (c == '\n') indented += "      | ";
  }
  return indented;
}

bool Show(const char* language) {
  XMLLocalizer texts;
  texts.SetResourceName("ZEBSTRINGS");
  if (!texts.LoadFromResource(language, 0)) {
    std::fprintf(stderr, "lumora-texts: the translation table could not be read\n");
    return false;
  }
  std::printf("== %s ==\n", language != nullptr ? language : "the user's language");
  for (const char* key : kKeys) std::printf("%s\n      | %s\n", key, ForTerminal(texts.GetString(key, true)).c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<const char*> languages;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--all") == 0) {
      languages.assign(std::begin(kLanguages), std::end(kLanguages));
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf("usage: lumora-texts [--all | LANGUAGE...]\nLanguages: English Italian French German Spanish\n");
      return 0;
    } else {
      languages.push_back(argv[i]);
    }
  }
  if (languages.empty()) languages.push_back(nullptr);
  bool ok = true;
  for (const char* language : languages) ok = Show(language) && ok;
  return ok ? 0 : 1;
}
