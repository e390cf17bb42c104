// The message formatted from `format` and the arguments, "<failed>" when formatting fails;
// shared by the contract and the POSIX message tests.
#pragma once

#include <cstdarg>
#include <string>

#include "platform/message_format.h"

inline std::string MessageOf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = "<unchanged>";
  if (!platform::FormatMessageFromString(format, args, out)) out = "<failed>";
  va_end(args);
  return out;
}
