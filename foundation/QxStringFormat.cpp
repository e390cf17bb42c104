// QxString: printf-style formatting (one scan estimates the room, the runtime formats),
// and message formatting.
#include "foundation/QxString.h"

#include <charconv>
#include <cstdio>
#include <cwchar>
#include <stdexcept>
#include <string>
#include <type_traits>

#include "foundation/QxStringBlocks.h"
#include "platform/message_format.h"

using namespace qxstring;

namespace {

// What a wint_t argument arrives as through "...": Windows' 16-bit wint_t is promoted to int.
using PromotedWint = std::conditional_t<(sizeof(wint_t) < sizeof(int)), int, wint_t>;

// --- Format estimate ---------------------------------------------------------------------

struct FormatEstimate {
  long long length = 0;
  bool textInBlock = false;  // a %s argument points into the target's block
  bool argumentsLost = false;  // an unknown conversion: later arguments were not examined
};

enum class Size { kDefault, kChar, kShort, kLong, kLongLong, kIntMax, kSize, kPtrDiff,
                  kLongDouble, kWide, kNarrow };

// Width and precision digits saturate here; nothing larger can be formatted anyway.
constexpr long long kFieldLimit = INT_MAX;

long long ReadNumber(const char*& f) {
  long long n = 0;
  while (*f >= '0' && *f <= '9') {
    n = std::min(kFieldLimit, n * 10 + (*f - '0'));
    ++f;
  }
  return n;
}

Size ReadSize(const char*& f) {
  switch (*f) {
    case 'h':
      if (f[1] == 'h') { f += 2; return Size::kChar; }
      ++f;
      return Size::kShort;
    case 'l':
      if (f[1] == 'l') { f += 2; return Size::kLongLong; }
      ++f;
      return Size::kLong;
    case 'q': ++f; return Size::kLongLong;
    case 'j': ++f; return Size::kIntMax;
    case 'z': ++f; return Size::kSize;
    case 't': ++f; return Size::kPtrDiff;
    case 'L': ++f; return Size::kLongDouble;
    case 'w': ++f; return Size::kWide;
    case 'I':
      if (f[1] == '6' && f[2] == '4') { f += 3; return Size::kLongLong; }
      if (f[1] == '3' && f[2] == '2') { f += 3; return Size::kDefault; }
      ++f;
      return Size::kSize;
    default:
      return Size::kDefault;
  }
}

void TakeInteger(Size size, va_list* ap) {
  switch (size) {
    case Size::kLong: (void)va_arg(*ap, long); break;
    case Size::kLongLong: (void)va_arg(*ap, long long); break;
    case Size::kIntMax: (void)va_arg(*ap, std::intmax_t); break;
    case Size::kSize: (void)va_arg(*ap, std::size_t); break;
    case Size::kPtrDiff: (void)va_arg(*ap, std::ptrdiff_t); break;
    default: (void)va_arg(*ap, int); break;
  }
}

// One scan of the format: the reserve for the output, taking every argument with the type
// the conversion gives it so that later text arguments are read as texts. After a conversion
// it does not know, it stops taking arguments (it cannot tell how many that one used).
FormatEstimate EstimateFormat(const char* f, va_list* ap, QxStringData* block) {
  FormatEstimate r;
  while (*f != '\0') {
    if (*f != '%') {
      ++r.length;
      ++f;
      continue;
    }
    ++f;
    if (*f == '%') {
      ++r.length;
      ++f;
      continue;
    }
    for (;; ++f) {
      if (*f == '#') {
        r.length += 2;
      } else if (*f != '-' && *f != '+' && *f != '0' && *f != ' ' && *f != '\'') {
        break;
      }
    }
    long long width = 0;
    if (*f == '*') {
      ++f;
      if (!r.argumentsLost) width = va_arg(*ap, int);
    } else {
      width = ReadNumber(f);
    }
    long long precision = 0;
    bool hasPrecision = false;
    if (*f == '.') {
      ++f;
      hasPrecision = true;
      if (*f == '*') {
        ++f;
        if (!r.argumentsLost) precision = va_arg(*ap, int);
        // printf ignores a negative precision; left as it was it would shrink the reserve.
        if (precision < 0) {
          precision = 0;
          hasPrecision = false;
        }
      } else {
        precision = ReadNumber(f);
      }
    }
    const Size size = ReadSize(f);
    const char conversion = *f;
    if (conversion == '\0') break;
    ++f;
    long long item = 0;
    const bool wide = size == Size::kLong || size == Size::kWide;
    switch (conversion) {
      case 'c':
      case 'C':
      case 's':
      case 'S': {
        if (conversion == 'c' || conversion == 'C') {
          if (!r.argumentsLost) {
            if (wide || conversion == 'C') (void)va_arg(*ap, PromotedWint); else (void)va_arg(*ap, int);
          }
          item = 2;
        } else if (!r.argumentsLost) {
          if (wide || conversion == 'S') {
            (void)va_arg(*ap, const wchar_t*);  // multibyte length unknown: the output is measured
          } else {
            const char* text = va_arg(*ap, const char*);
            if (text == nullptr) {
              item = 6;
            } else {
              if (PointsInto(text, block)) r.textInBlock = true;
              long long length = 0;
              if (hasPrecision) {
                // With a precision the argument need not be terminated: never read past it.
                const void* zero = std::memchr(text, 0, static_cast<std::size_t>(precision));
                length = zero != nullptr ? static_cast<const char*>(zero) - text : precision;
              } else {
                length = static_cast<long long>(std::strlen(text));
              }
              item = std::max(length, 1LL);
            }
          }
        }
        item = std::max(item, width);
        if (precision != 0 && item >= precision) item = precision;
        break;
      }
      case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
        if (!r.argumentsLost) {
          if (size == Size::kLongDouble) (void)va_arg(*ap, long double); else (void)va_arg(*ap, double);
        }
        item = width + precision >= 128 ? width + precision : 128;
        break;
      case 'd': case 'i': case 'o': case 'u': case 'x': case 'X': case 'b': case 'B':
        if (!r.argumentsLost) TakeInteger(size, ap);
        item = width + precision >= 32 ? width + precision : 32;
        break;
      case 'p':
        if (!r.argumentsLost) (void)va_arg(*ap, void*);
        item = width + precision >= 32 ? width + precision : 32;
        break;
      case 'n':
        if (!r.argumentsLost) (void)va_arg(*ap, void*);
        break;
      case 'm':  // the C library's error text: no argument
        break;
      default:
        r.argumentsLost = true;
        break;
    }
    r.length = std::min(kFieldLimit * 4, r.length + std::max(item, 0LL));
  }
  return r;
}

}  // namespace

// --- Formatting --------------------------------------------------------------------------

void QxString::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  try {
    FormatV(format, args);
  } catch (...) {
    va_end(args);
    throw;
  }
  va_end(args);
}

namespace {

// vsnprintf on a copy of `args`, so the caller's list can be used again.
int PrintInto(char* buffer, std::size_t size, const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int n = std::vsnprintf(buffer, size, format, copy);
  va_end(copy);
  return n;
}

// Writes the format when it holds nothing but text, "%%" and the plain conversions %d, %i, %u
// and %s (no flags, width, precision or size; no null text): their output is fully determined
// and the same as the runtime's, which would spend most of its time on its general machinery.
// Returns the length written (not terminated), or -1 when the format needs the runtime or the
// output would exceed `room`; the buffer may then hold part of a text.
int WritePlain(char* out, std::size_t room, const char* f, va_list args) {
  va_list ap;
  va_copy(ap, args);
  std::size_t n = 0;
  int result = -1;
  for (;;) {
    const char c = *f++;
    if (c == '\0') {
      result = static_cast<int>(n);
      break;
    }
    if (c != '%' || *f == '%') {
      if (c == '%') ++f;
      if (n == room) break;
      out[n++] = c;
      continue;
    }
    const char conversion = *f++;
    if (conversion == 'd' || conversion == 'i' || conversion == 'u') {
      const int value = va_arg(ap, int);
      const auto [end, error] = conversion == 'u' ? std::to_chars(out + n, out + room, static_cast<unsigned>(value))
                                                  : std::to_chars(out + n, out + room, value);
      if (error != std::errc()) break;
      n = static_cast<std::size_t>(end - out);
    } else if (conversion == 's') {
      const char* text = va_arg(ap, const char*);
      if (text == nullptr) break;  // the runtime's own placeholder
      const std::size_t length = std::strlen(text);
      if (length > room - n) break;
      std::memcpy(out + n, text, length);
      n += length;
    } else {
      break;
    }
  }
  va_end(ap);
  return result;
}

}  // namespace

void QxString::FormatV(const char* format, va_list args) {
  if (format == nullptr) format = "";
  va_list scan;
  va_copy(scan, args);
  const FormatEstimate estimate = EstimateFormat(format, &scan, Header(m_pchData));
  va_end(scan);
  const bool reserveKnown = estimate.length <= INT_MAX;
  const int reserve = reserveKnown ? static_cast<int>(estimate.length) : 0;
  // When the format or a text argument lies in our own block, or the scan could not see all
  // arguments, the text is built in a new block: our buffer must stay readable meanwhile.
  const bool ownBuffer = !estimate.textInBlock && !estimate.argumentsLost && !PointsInto(format, Header(m_pchData));
  if (ownBuffer && reserveKnown) {
    char* buffer = GetBuffer(reserve);
    QxStringData* data = Header(m_pchData);
    if (!IsEmptyBlock(data)) {
      const int plain = WritePlain(buffer, static_cast<std::size_t>(data->allocLength), format, args);
      if (plain >= 0) {
        // The text holds no zero byte, so this is the length ReleaseBuffer(-1) would measure.
        data->dataLength = plain;
        buffer[plain] = '\0';
        return;
      }
      const int n = PrintInto(buffer, static_cast<std::size_t>(data->allocLength) + 1, format, args);
      if (n >= 0 && n <= data->allocLength) {
        ReleaseBuffer(-1);
        return;
      }
      if (n < 0) {
        ReleaseBuffer(0);  // vsnprintf may have left part of a text behind
        return;
      }
      // The estimate fell short: vsnprintf stopped at the capacity and told the full length.
      buffer = GetBuffer(n);
      (void)PrintInto(buffer, static_cast<std::size_t>(n) + 1, format, args);
      ReleaseBuffer(-1);
      return;
    }
  }
  const int n = PrintInto(nullptr, 0, format, args);
  if (n < 0) {
    Empty();
    return;
  }
  QxStringData* block = NewBlock(std::max(n, reserveKnown ? reserve : 0));
  if (!IsEmptyBlock(block)) {
    (void)PrintInto(block->data(), static_cast<std::size_t>(block->allocLength) + 1, format, args);
    const void* zero = std::memchr(block->data(), 0, static_cast<std::size_t>(n) + 1);
    block->dataLength = static_cast<int>(static_cast<const char*>(zero) - block->data());
  }
  ReleaseBlock(Header(m_pchData));
  m_pchData = block->data();
}

void QxString::FormatMessageA(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text;
  const bool ok = platform::FormatMessageFromString(format, args, text);
  va_end(args);
  if (!ok || text.empty()) throw std::runtime_error("FormatMessageA: invalid format or empty message");
  *this = text.c_str();
}

