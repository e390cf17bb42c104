// Language identifiers from POSIX locale names, and the locale a system locale configuration
// names.
#include "platform/emulation/locale_names.h"

#include <algorithm>
#include <string>

namespace platform::detail {
namespace {

struct Language {
  const char* code;  // ISO 639-1
  unsigned primary;  // Windows primary language
};

constexpr Language kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06},
    {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C},
    {"he", 0x0D}, {"hu", 0x0E}, {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12},
    {"nl", 0x13}, {"nb", 0x14}, {"nn", 0x14}, {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16},
    {"rm", 0x17}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sr", 0x1A}, {"bs", 0x1A},
    {"sk", 0x1B}, {"sq", 0x1C}, {"sv", 0x1D}, {"th", 0x1E}, {"tr", 0x1F}, {"ur", 0x20},
    {"id", 0x21}, {"uk", 0x22}, {"be", 0x23}, {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26},
    {"lt", 0x27}, {"fa", 0x29}, {"vi", 0x2A}, {"hy", 0x2B}, {"az", 0x2C}, {"eu", 0x2D},
    {"mk", 0x2F}, {"af", 0x36}, {"ka", 0x37}, {"fo", 0x38}, {"hi", 0x39}, {"mt", 0x3A},
    {"ga", 0x3C}, {"ms", 0x3E}, {"kk", 0x3F}, {"sw", 0x41}, {"cy", 0x52}, {"gl", 0x56},
};

struct Sublanguage {
  const char* code;
  const char* territory;
  unsigned sub;
};

// Territories whose sublanguage is not SUBLANG_DEFAULT (1).
constexpr Sublanguage kSublanguages[] = {
    {"de", "CH", 2}, {"de", "AT", 3}, {"de", "LU", 4}, {"de", "LI", 5},
    {"en", "GB", 2}, {"en", "AU", 3}, {"en", "CA", 4}, {"en", "NZ", 5}, {"en", "IE", 6},
    {"en", "ZA", 7}, {"en", "JM", 8}, {"en", "BZ", 10}, {"en", "TT", 11}, {"en", "ZW", 12},
    {"en", "PH", 13}, {"en", "IN", 16}, {"en", "MY", 17}, {"en", "SG", 18},
    {"es", "ES", 3}, {"es", "MX", 2}, {"es", "GT", 4}, {"es", "CR", 5}, {"es", "PA", 6},
    {"es", "DO", 7}, {"es", "VE", 8}, {"es", "CO", 9}, {"es", "PE", 10}, {"es", "AR", 11},
    {"es", "EC", 12}, {"es", "CL", 13}, {"es", "UY", 14}, {"es", "PY", 15}, {"es", "BO", 16},
    {"es", "SV", 17}, {"es", "HN", 18}, {"es", "NI", 19}, {"es", "PR", 20}, {"es", "US", 21},
    {"fr", "BE", 2}, {"fr", "CA", 3}, {"fr", "CH", 4}, {"fr", "LU", 5}, {"fr", "MC", 6},
    {"it", "CH", 2}, {"nl", "BE", 2}, {"pt", "PT", 2}, {"sv", "FI", 2},
    {"zh", "CN", 2}, {"zh", "HK", 3}, {"zh", "SG", 4}, {"zh", "MO", 5},
    {"nn", "NO", 2}, {"sr", "RS", 9}, {"bs", "BA", 5}, {"ar", "EG", 3}, {"ar", "MA", 6},
};

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

std::string LocaleFromConfig(std::string_view text) {
  std::string lc_all, lc_messages, lang;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    const auto eq = line.find('=');
    if (eq == std::string_view::npos || line.starts_with('#')) continue;
    const std::string_view key = line.substr(0, eq);
    std::string value(line.substr(eq + 1));
    while (!value.empty() && (value.back() == '\r' || value.back() == ' ')) value.pop_back();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (key == "LC_ALL") lc_all = value;
    else if (key == "LC_MESSAGES") lc_messages = value;
    else if (key == "LANG") lang = value;
  }
  return !lc_all.empty() ? lc_all : !lc_messages.empty() ? lc_messages : lang;
}

LangId LangIdFromLocaleName(std::string_view name) {
  const std::size_t end = name.find_first_of(".@");
  name = name.substr(0, end);
  const std::size_t underscore = name.find_first_of("_-");
  const std::string_view code = name.substr(0, underscore);
  const std::string_view territory =
      underscore == std::string_view::npos ? std::string_view{} : name.substr(underscore + 1);
  for (const auto& language : kLanguages) {
    if (!EqualsNoCase(code, language.code)) continue;
    unsigned sub = 1;
    for (const auto& s : kSublanguages)
      if (EqualsNoCase(code, s.code) && EqualsNoCase(territory, s.territory)) sub = s.sub;
    return static_cast<LangId>((sub << 10) | language.primary);
  }
  return 0;  // "C", "POSIX", empty or unknown
}

}  // namespace platform::detail
