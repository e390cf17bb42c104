// Message formatting from a string, after FormatMessageA with FORMAT_MESSAGE_FROM_STRING
// (no width limit, inserts taken from a va_list).
//
// The format is copied to the output except for these escapes:
//   %1 .. %99        insert the argument of that number, by default as !s! (a text)
//   %K!fmt!          insert argument K with the printf conversion fmt: flags, width,
//                    precision (a * takes the width / precision from argument K, K+1 in that
//                    order, and the value from the argument after them), a size prefix among
//                    hh h l ll j z t L I I32 I64 w, and one of d i o u x X c C s S p (and,
//                    on POSIX only, e E f F g G a A: Windows' FormatMessage documents
//                    floating-point inserts as not supported). S, ls, ws, C, lc, wc take 16-bit text (const unsigned short*)
//                    / a 16-bit character, converted through the ANSI code page; hS and hC
//                    are 8-bit.
//   %0               ends the output here, without a line break
//   %n  %r  %t       CR LF, CR, tab
//   %%  %.  %!       a percent sign, period, exclamation mark
//   % and a space    a space
//   % and any other  that character
// Line breaks of the format (CR LF, LF or CR alone) come out as CR LF.
//
// Arguments are read in the order of their numbers. Each argument's type follows from the
// inserts that use it; an argument that no insert uses, but that lies below one that is used,
// is read as a pointer-sized value (every argument takes one slot, as on Windows).
#pragma once

#include <cstdarg>
#include <string>

namespace platform {

// Formats `format` with `args` into `out`. Fails, leaving `out` unchanged, for a null format,
// a lone % at the end, an unterminated or invalid !fmt!, the conversion n, one argument used
// with two different types, and an empty result (the platform call reports that as failure
// too). `args` is read through a copy; the caller still owns it and ends it.
[[nodiscard]] bool FormatMessageFromString(const char* format, va_list args, std::string& out);

}  // namespace platform
