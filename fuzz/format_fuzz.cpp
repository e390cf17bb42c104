// Feeds arbitrary formats to QxString::Format and to message formatting (FormatMessageA).
// The arguments are a fixed set every conversion may read safely: twelve pointers to one
// zero-padded text (good as 8-bit text, 16-bit text, integer, width or pointer) and eight
// doubles.
// Formats are tamed only where the runtime itself would misbehave: at most eight argument
// reads, widths and precisions of at most two digits, inserts %1 to %9, no printf %n, no
// positional arguments, no long double.
// Format's result must equal snprintf's for the conversions snprintf knows.
#include <sys/mman.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "foundation/QxString.h"

namespace {

// The text lies at a low address, so that a width or precision taken from an argument (a
// '*') is 65536 at most instead of the low half of an ordinary pointer.
char* LowText() {
  void* page = mmap(reinterpret_cast<void*>(0x10000), 4096, PROT_READ | PROT_WRITE,
                    MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
  if (page != reinterpret_cast<void*>(0x10000)) std::abort();
  std::strcpy(static_cast<char*>(page), "fuzz");
  return static_cast<char*>(page);
}
char* const gText = LowText();

std::string Tame(const std::uint8_t* data, std::size_t size, bool message) {
  std::string f(reinterpret_cast<const char*>(data), size > 64 ? 64 : size);
  f = f.c_str();  // up to the first zero
  const int maxDigits = message ? 1 : 2;  // inserts %1..%9; widths up to 99
  int reads = 0, digits = 0;
  std::string out;
  for (char c : f) {
    digits = c >= '0' && c <= '9' ? digits + 1 : 0;
    if (digits > maxDigits) continue;
    if (c == '%' || c == '*') ++reads;
    if (c == 'L') c = 'l';  // long double would be read from beyond the arguments
    if (!message && c == 'n') c = 'd';
    if (!message && c == '$') c = '.';  // positional arguments could name any slot
    out += c;
  }
  return reads > 8 ? std::string() : out;
}

// Conversions whose meaning snprintf shares (no Windows size prefixes, no 16-bit text).
bool Standard(const std::string& f) { return f.find_first_of("IwqZSCl") == std::string::npos; }

#define FUZZ_ARGS gText, gText, gText, gText, gText, gText, gText, gText, gText, gText, gText, gText, \
                  1.5, -2.25, 3e10, 0.0, 1e-300, 7.0, 8.5, 9.25

}  // namespace

// The sanitizer's own printf format checker trips on incomplete conversions ("%*" at the
// end) that the runtime prints harmlessly.
extern "C" const char* __asan_default_options() { return "check_printf=0"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool message = data[0] & 1;
  const std::string format = Tame(data + 1, size - 1, message);
  if (format.empty()) return 0;
  QxString s("previous");
  if (message) {
    try {
      s.FormatMessageA(format.c_str(), FUZZ_ARGS);
    } catch (const std::runtime_error&) {
      if (std::strcmp(s, "previous") != 0) std::abort();  // a failed format leaves the text
    }
    return 0;
  }
  s.Format(format.c_str(), FUZZ_ARGS);
  if (Standard(format)) {
    char expected[4096];
#pragma clang diagnostic ignored "-Wformat-nonliteral"
    const int n = std::snprintf(expected, sizeof expected, format.c_str(), FUZZ_ARGS);
    // The string ends at the first zero the runtime wrote (a %c of 0, say).
    if (n >= 0 && n < static_cast<int>(sizeof expected) && std::strcmp(s, expected) != 0) std::abort();
  }
  return 0;
}
