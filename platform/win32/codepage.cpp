// Code-page conversion on Windows: MultiByteToWideChar and WideCharToMultiByte. Characters a
// code page cannot hold become '?' (no best-fit look-alikes), as on every backend.
#include "platform/codepage.h"

#include <climits>

#include "platform/win32/win32_api.h"

namespace platform {
namespace {

UINT Resolve(unsigned code_page) {
  if (code_page == kCodePageAnsi) return GetACP();
  if (code_page == kCodePageOem) return GetOEMCP();
  return code_page;
}

// Code pages whose converters take no flags (MultiByteToWideChar's and WideCharToMultiByte's
// documented exceptions).
bool TakesNoFlags(UINT code_page) {
  return code_page == CP_UTF8 || code_page == 42 || code_page == 65000 || code_page == 54936 ||
         (code_page >= 50220 && code_page <= 50229) || (code_page >= 57002 && code_page <= 57011);
}

}  // namespace

unsigned AnsiCodePage() { return GetACP(); }
unsigned OemCodePage() { return GetOEMCP(); }

bool IsKnownCodePage(unsigned code_page) { return IsValidCodePage(Resolve(code_page)) != 0; }

bool ToUtf16(std::string_view text, unsigned code_page, std::u16string& out) {
  const UINT cp = Resolve(code_page);
  if (!IsValidCodePage(cp) || text.size() > INT_MAX) return false;
  if (text.empty()) {
    out.clear();
    return true;
  }
  const int length = static_cast<int>(text.size());
  const int needed = MultiByteToWideChar(cp, 0, text.data(), length, nullptr, 0);
  if (needed <= 0) return false;
  std::u16string result(static_cast<std::size_t>(needed), u'\0');
  if (MultiByteToWideChar(cp, 0, text.data(), length, reinterpret_cast<wchar_t*>(result.data()), needed) != needed)
    return false;
  out = std::move(result);
  return true;
}

bool FromUtf16(std::u16string_view text, unsigned code_page, std::string& out) {
  const UINT cp = Resolve(code_page);
  if (!IsValidCodePage(cp) || text.size() > INT_MAX) return false;
  if (text.empty()) {
    out.clear();
    return true;
  }
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int length = static_cast<int>(text.size());
  const DWORD flags = TakesNoFlags(cp) ? 0 : WC_NO_BEST_FIT_CHARS;
  const int needed = WideCharToMultiByte(cp, flags, wide, length, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return false;
  std::string result(static_cast<std::size_t>(needed), '\0');
  if (WideCharToMultiByte(cp, flags, wide, length, result.data(), needed, nullptr, nullptr) != needed) return false;
  out = std::move(result);
  return true;
}

bool ConvertCodePage(std::string_view text, unsigned from, unsigned to, std::string& out) {
  std::u16string wide;
  return ToUtf16(text, from, wide) && FromUtf16(wide, to, out);
}

bool AnsiEqualNoCase(std::string_view a, std::string_view b) {
  std::u16string wide_a, wide_b;
  if (!ToUtf16(a, kCodePageAnsi, wide_a) || !ToUtf16(b, kCodePageAnsi, wide_b)) return false;
  if (wide_a.size() > INT_MAX || wide_b.size() > INT_MAX) return false;
  return CompareStringOrdinal(reinterpret_cast<LPCWCH>(wide_a.data()), static_cast<int>(wide_a.size()),
                              reinterpret_cast<LPCWCH>(wide_b.data()), static_cast<int>(wide_b.size()),
                              TRUE) == CSTR_EQUAL;
}

}  // namespace platform
