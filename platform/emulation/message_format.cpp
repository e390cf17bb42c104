// FormatMessage-style formatting on POSIX: the format is parsed once into pieces, the
// arguments are read in number order with the types the inserts give them, and each insert
// is rendered by the C library's snprintf.
#include "platform/message_format.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "platform/codepage.h"

namespace platform {
namespace {

// Windows allows inserts %1..%99; two '*' can reach two numbers further.
constexpr int kMaxArgument = 101;
// Widths and precisions beyond this are refused rather than producing megabytes of padding.
constexpr long long kMaxField = 999999;

enum class ArgType : unsigned char {
  kUnused, kInt, kLong, kLongLong, kIntMax, kSize, kPtrDiff, kDouble, kLongDouble, kPointer
};

enum class Size : unsigned char { kNone, kChar, kShort, kLong, kLongLong, kIntMax, kSize,
                                  kPtrDiff, kLongDouble, kWide, kNarrow };

struct Piece {
  std::string literal;  // text copied as it is (used when argument == 0)
  int argument = 0;     // number of the value's argument
  int widthArgument = 0, precisionArgument = 0;
  std::string flags, width, precision;
  bool hasPrecision = false;
  Size size = Size::kNone;
  char conversion = 's';
};

struct Argument {
  ArgType type = ArgType::kUnused;
  long long integer = 0;
  double real = 0;
  long double longReal = 0;
  const void* pointer = nullptr;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsWideText(const Piece& p) {
  if (p.conversion == 'S' || p.conversion == 'C') return p.size != Size::kShort;
  return (p.conversion == 's' || p.conversion == 'c') && (p.size == Size::kLong || p.size == Size::kWide);
}

// The type an argument is read with for the value of `p`; kUnused for an invalid pairing.
ArgType ValueType(const Piece& p) {
  switch (p.conversion) {
    case 'c': case 'C':
      return ArgType::kInt;
    case 's': case 'S': case 'p':
      return ArgType::kPointer;
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
      return p.size == Size::kLongDouble ? ArgType::kLongDouble : ArgType::kDouble;
    default:
      break;
  }
  switch (p.size) {
    case Size::kLong: return ArgType::kLong;
    case Size::kLongLong: return ArgType::kLongLong;
    case Size::kIntMax: return ArgType::kIntMax;
    case Size::kSize: return ArgType::kSize;
    case Size::kPtrDiff: return ArgType::kPtrDiff;
    case Size::kLongDouble: case Size::kWide: return ArgType::kUnused;
    default: return ArgType::kInt;
  }
}

// Parses the printf conversion between the two '!' into `p`.
bool ParseConversion(std::string_view directive, Piece& p) {
  std::size_t i = 0;
  while (i < directive.size() && std::string_view("-+ #0").find(directive[i]) != std::string_view::npos)
    p.flags.push_back(directive[i++]);
  if (i < directive.size() && directive[i] == '*') {
    p.widthArgument = -1;
    ++i;
  } else {
    while (i < directive.size() && IsDigit(directive[i])) p.width.push_back(directive[i++]);
  }
  if (i < directive.size() && directive[i] == '.') {
    p.hasPrecision = true;
    ++i;
    if (i < directive.size() && directive[i] == '*') {
      p.precisionArgument = -1;
      ++i;
    } else {
      while (i < directive.size() && IsDigit(directive[i])) p.precision.push_back(directive[i++]);
    }
  }
  if (p.width.size() > 6 || p.precision.size() > 6) return false;
  const std::string_view rest = directive.substr(i);
  struct Prefix { std::string_view text; Size size; };
  static constexpr Prefix kPrefixes[] = {
      {"hh", Size::kChar}, {"h", Size::kShort},   {"ll", Size::kLongLong}, {"l", Size::kLong},
      {"I64", Size::kLongLong}, {"I32", Size::kNone}, {"I", Size::kSize},  {"w", Size::kWide},
      {"j", Size::kIntMax}, {"z", Size::kSize},   {"t", Size::kPtrDiff},   {"L", Size::kLongDouble}};
  std::size_t used = 0;
  for (const Prefix& prefix : kPrefixes) {
    if (rest.substr(0, prefix.text.size()) == prefix.text) {
      p.size = prefix.size;
      used = prefix.text.size();
      break;
    }
  }
  if (rest.size() != used + 1) return false;
  p.conversion = rest[used];
  if (std::string_view("diouxXcCsSpeEfFgGaA").find(p.conversion) == std::string_view::npos) return false;
  const bool real = std::string_view("eEfFgGaA").find(p.conversion) != std::string_view::npos;
  if (p.size == Size::kLongDouble && !real) return false;
  if (p.size == Size::kWide && !IsWideText(p)) return false;
  return true;
}

void AppendLiteral(std::vector<Piece>& pieces, std::string_view text) {
  if (pieces.empty() || pieces.back().argument != 0) pieces.emplace_back();
  pieces.back().literal.append(text);
}

bool Record(std::array<ArgType, kMaxArgument + 1>& types, int number, ArgType type, int& highest) {
  if (number < 1 || number > kMaxArgument) return false;
  if (types[number] != ArgType::kUnused && types[number] != type) return false;
  types[number] = type;
  if (number > highest) highest = number;
  return true;
}

bool Parse(const char* format, std::vector<Piece>& pieces, std::array<ArgType, kMaxArgument + 1>& types,
           int& highest) {
  const char* f = format;
  while (*f != '\0') {
    if (*f == '\r' || *f == '\n') {
      AppendLiteral(pieces, "\r\n");
      f += (f[0] == '\r' && f[1] == '\n') ? 2 : 1;
      continue;
    }
    if (*f != '%') {
      const char* start = f;
      while (*f != '\0' && *f != '%' && *f != '\r' && *f != '\n') ++f;
      AppendLiteral(pieces, std::string_view(start, static_cast<std::size_t>(f - start)));
      continue;
    }
    const char c = f[1];
    if (c == '\0') return false;
    if (c == '\r' || c == '\n') {  // the line break itself still becomes CR LF
      ++f;
      continue;
    }
    if (c == '0') return true;
    if (c >= '1' && c <= '9') {
      f += 2;
      int number = c - '0';
      if (IsDigit(*f)) number = number * 10 + (*f++ - '0');
      Piece piece;
      if (*f == '!') {
        const char* end = f + 1;
        while (*end != '\0' && *end != '!') ++end;
        if (*end != '!') return false;
        if (!ParseConversion(std::string_view(f + 1, static_cast<std::size_t>(end - f - 1)), piece)) return false;
        f = end + 1;
      }
      int next = number;
      if (piece.widthArgument != 0) {
        piece.widthArgument = next;
        if (!Record(types, next++, ArgType::kInt, highest)) return false;
      }
      if (piece.precisionArgument != 0) {
        piece.precisionArgument = next;
        if (!Record(types, next++, ArgType::kInt, highest)) return false;
      }
      const ArgType type = ValueType(piece);
      if (type == ArgType::kUnused) return false;
      piece.argument = next;
      if (!Record(types, next, type, highest)) return false;
      pieces.push_back(std::move(piece));
      continue;
    }
    switch (c) {
      case 'n': AppendLiteral(pieces, "\r\n"); break;
      case 'r': AppendLiteral(pieces, "\r"); break;
      case 't': AppendLiteral(pieces, "\t"); break;
      default: AppendLiteral(pieces, std::string_view(&c, 1)); break;
    }
    f += 2;
  }
  return true;
}

void ReadArguments(va_list source, const std::array<ArgType, kMaxArgument + 1>& types, int highest,
                   std::array<Argument, kMaxArgument + 1>& args) {
  va_list ap;
  va_copy(ap, source);
  for (int i = 1; i <= highest; ++i) {
    Argument& a = args[i];
    a.type = types[i];
    switch (types[i]) {
      case ArgType::kInt: a.integer = va_arg(ap, int); break;
      case ArgType::kLong: a.integer = va_arg(ap, long); break;
      case ArgType::kLongLong: a.integer = va_arg(ap, long long); break;
      case ArgType::kIntMax: a.integer = static_cast<long long>(va_arg(ap, std::intmax_t)); break;
      case ArgType::kSize: a.integer = static_cast<long long>(va_arg(ap, std::size_t)); break;
      case ArgType::kPtrDiff: a.integer = static_cast<long long>(va_arg(ap, std::ptrdiff_t)); break;
      case ArgType::kDouble: a.real = va_arg(ap, double); break;
      case ArgType::kLongDouble: a.longReal = va_arg(ap, long double); break;
      case ArgType::kPointer: a.pointer = va_arg(ap, const void*); break;
      case ArgType::kUnused: (void)va_arg(ap, const void*); break;
    }
  }
  va_end(ap);
}

template <typename... Values>
bool AppendPrintf(std::string& out, const std::string& directive, Values... values) {
  const int n = std::snprintf(nullptr, 0, directive.c_str(), values...);
  if (n < 0) return false;
  const std::size_t old = out.size();
  out.resize(old + static_cast<std::size_t>(n) + 1);
  std::snprintf(out.data() + old, static_cast<std::size_t>(n) + 1, directive.c_str(), values...);
  out.resize(old + static_cast<std::size_t>(n));
  return true;
}

// 16-bit text up to its zero, or up to `limit` units, in the ANSI code page.
std::string NarrowWide(const unsigned short* text, std::size_t limit) {
  std::u16string wide;
  for (std::size_t i = 0; i < limit && text[i] != 0; ++i) wide.push_back(static_cast<char16_t>(text[i]));
  std::string narrow;
  (void)FromUtf16(wide, kCodePageAnsi, narrow);  // the ANSI code page is always known
  return narrow;
}

bool Render(const Piece& p, const std::array<Argument, kMaxArgument + 1>& args, std::string& out) {
  std::string directive(1, '%');
  directive += p.flags;
  if (p.widthArgument != 0) {
    // A negative width from the arguments means left alignment, as in printf.
    const long long w = static_cast<int>(args[p.widthArgument].integer);
    if (w < -kMaxField || w > kMaxField) return false;
    if (w < 0) directive += '-';
    directive += std::to_string(w < 0 ? -w : w);
  } else {
    directive += p.width;
  }
  long long precision = -1;
  if (p.hasPrecision) {
    precision = p.precisionArgument != 0 ? static_cast<int>(args[p.precisionArgument].integer)
                                         : (p.precision.empty() ? 0 : std::stoll(p.precision));
    if (precision > kMaxField) return false;
    if (precision >= 0) {
      directive += '.';
      directive += std::to_string(precision);
    }
  }
  const Argument& value = args[p.argument];
  if (IsWideText(p)) {
    std::string narrow;
    if (p.conversion == 'c' || p.conversion == 'C') {
      narrow = NarrowWide(std::array<unsigned short, 2>{static_cast<unsigned short>(value.integer), 0}.data(), 1);
      if (narrow.empty()) narrow.push_back('\0');
      return AppendPrintf(out, directive + "c", static_cast<int>(static_cast<unsigned char>(narrow[0])));
    }
    const auto* wide = static_cast<const unsigned short*>(value.pointer);
    if (wide == nullptr) return AppendPrintf(out, directive + "s", "(null)");
    narrow = NarrowWide(wide, precision >= 0 ? static_cast<std::size_t>(precision) : SIZE_MAX);
    return AppendPrintf(out, directive + "s", narrow.c_str());
  }
  switch (p.conversion) {
    case 'c': case 'C':
      return AppendPrintf(out, directive + "c", static_cast<int>(value.integer));
    case 's': case 'S':
      if (value.pointer == nullptr) return AppendPrintf(out, directive + "s", "(null)");
      return AppendPrintf(out, directive + "s", static_cast<const char*>(value.pointer));
    case 'p':
      return AppendPrintf(out, directive + "p", value.pointer);
    default:
      break;
  }
  if (value.type == ArgType::kDouble) return AppendPrintf(out, directive + p.conversion, value.real);
  if (value.type == ArgType::kLongDouble) return AppendPrintf(out, directive + "L" + p.conversion, value.longReal);
  const std::string conv(1, p.conversion);
  const long long v = value.integer;
  switch (p.size) {
    case Size::kChar: return AppendPrintf(out, directive + "hh" + conv, static_cast<int>(v));
    case Size::kShort: return AppendPrintf(out, directive + "h" + conv, static_cast<int>(v));
    case Size::kLong: return AppendPrintf(out, directive + "l" + conv, static_cast<long>(v));
    case Size::kLongLong: return AppendPrintf(out, directive + "ll" + conv, v);
    case Size::kIntMax: return AppendPrintf(out, directive + "j" + conv, static_cast<std::intmax_t>(v));
    case Size::kSize: return AppendPrintf(out, directive + "z" + conv, static_cast<std::size_t>(v));
    case Size::kPtrDiff: return AppendPrintf(out, directive + "t" + conv, static_cast<std::ptrdiff_t>(v));
    default: return AppendPrintf(out, directive + conv, static_cast<int>(v));
  }
}

}  // namespace

bool FormatMessageFromString(const char* format, va_list args, std::string& out) {
  if (format == nullptr) return false;
  std::vector<Piece> pieces;
  std::array<ArgType, kMaxArgument + 1> types{};
  int highest = 0;
  if (!Parse(format, pieces, types, highest)) return false;
  std::array<Argument, kMaxArgument + 1> values{};
  if (highest > 0) ReadArguments(args, types, highest, values);
  std::string result;
  for (const Piece& piece : pieces) {
    if (piece.argument == 0) {
      result += piece.literal;
    } else if (!Render(piece, values, result)) {
      return false;
    }
  }
  if (result.empty()) return false;
  out = std::move(result);
  return true;
}

}  // namespace platform
