// Message formatting on Windows: FormatMessageA on the format string, with the output in a
// buffer the system allocates (no size to guess) and no width limit.
//
// The system takes formats that every backend refuses: it writes through the argument of an
// n conversion, reads one argument as two types, and passes an invalid !fmt! on to its
// printf. Those formats are refused here, before the system sees them.
#include "platform/message_format.h"

#include <array>
#include <cstring>
#include <string_view>

#include "platform/win32/win32_api.h"

namespace platform {
namespace {

constexpr int kMaxArgument = 99;
constexpr std::size_t kMaxFieldDigits = 6;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Each argument's type as the inserts that use it read it: the size prefix and the kind of
// conversion ('i'nteger, 'p'ointer, 'f'loating point, a narrow or wide 't'ext or 'c'haracter).
using ArgumentTypes = std::array<std::string_view, kMaxArgument + 3>;

bool Use(ArgumentTypes& types, int number, std::string_view type) {
  if (number < 1 || number >= static_cast<int>(types.size())) return false;
  if (!types[number].empty() && types[number] != type) return false;
  types[number] = type;
  return true;
}

// The type an insert's printf conversion reads, or empty when the conversion is not valid.
std::string_view TypeOf(std::string_view conversion_text, int& stars) {
  std::size_t i = 0;
  while (i < conversion_text.size() && std::strchr("-+ #0", conversion_text[i]) != nullptr) ++i;
  const auto field = [&] {
    if (i < conversion_text.size() && conversion_text[i] == '*') {
      ++stars;
      ++i;
      return true;
    }
    const std::size_t start = i;
    while (i < conversion_text.size() && IsDigit(conversion_text[i])) ++i;
    return i - start <= kMaxFieldDigits;
  };
  if (!field()) return {};
  if (i < conversion_text.size() && conversion_text[i] == '.') {
    ++i;
    if (!field()) return {};
  }
  const std::size_t size_start = i;
  for (const char* prefix : {"I64", "I32", "hh", "ll", "h", "l", "j", "z", "t", "L", "I", "w"}) {
    if (conversion_text.substr(i).starts_with(prefix)) {
      i += std::strlen(prefix);
      break;
    }
  }
  const std::string_view size = conversion_text.substr(size_start, i - size_start);
  if (i + 1 != conversion_text.size()) return {};
  const char conversion = conversion_text[i];
  if (std::strchr("diouxX", conversion) != nullptr) {
    if (size == "hh") return "hh i";
    if (size == "h") return "h i";
    if (size == "ll" || size == "I64" || size == "j" || size == "z" || size == "t" || size == "I") return "64 i";
    return "32 i";
  }
  if (std::strchr("eEfFgGaA", conversion) != nullptr) return size == "L" ? "L f" : "f";
  if (conversion == 'p') return "p";
  const bool wide_form = conversion == 'S' || conversion == 'C';
  if (wide_form || conversion == 's' || conversion == 'c') {
    const bool wide = size == "l" || size == "w" || (wide_form && size != "h");
    if (conversion == 's' || conversion == 'S') return wide ? "wide t" : "t";
    return wide ? "wide c" : "c";
  }
  return {};
}

bool Acceptable(const char* format) {
  ArgumentTypes types{};
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '\0') return false;
    if (*p < '1' || *p > '9') continue;
    int number = *p - '0';
    if (IsDigit(p[1])) number = number * 10 + (*++p - '0');
    if (p[1] != '!') {
      if (!Use(types, number, "t")) return false;
      continue;
    }
    const char* start = p + 2;
    const char* end = std::strchr(start, '!');
    if (end == nullptr) return false;
    int stars = 0;
    const std::string_view type = TypeOf(std::string_view(start, static_cast<std::size_t>(end - start)), stars);
    if (type.empty()) return false;
    for (int star = 0; star < stars; ++star)
      if (!Use(types, number + star, "32 i")) return false;
    if (!Use(types, number + stars, type)) return false;
    p = end;
  }
  return true;
}

}  // namespace

bool FormatMessageFromString(const char* format, va_list args, std::string& out) {
  if (format == nullptr || !Acceptable(format)) return false;
  // The system reads the arguments through the va_list it is given; that one is a copy, so
  // the caller's stays where it was.
  va_list copy;
  va_copy(copy, args);
  char* buffer = nullptr;
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, format, 0, 0,
                                      reinterpret_cast<char*>(&buffer), 0, &copy);
  va_end(copy);
  if (buffer == nullptr) return false;
  if (length > 0) out.assign(buffer, length);
  LocalFree(buffer);
  return length > 0;
}

}  // namespace platform
