// Code-page conversion on POSIX: single-byte code pages through 256-entry tables built once
// (from iconv, except the ANSI code page's, which is compiled in), UTF-8 natively, double-byte
// code pages through iconv directly.
#include "platform/codepage.h"

#include <errno.h>
#include <iconv.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/emulation/ansi_case.h"
#include "platform/unicode.h"

namespace platform {
namespace {

constexpr unsigned kAnsi = 1252;
constexpr unsigned kOem = 850;

struct CodePageName {
  unsigned number;
  const char* iconv_name;
  bool single_byte;
};

constexpr CodePageName kCodePages[] = {
    {437, "IBM437", true},         {737, "CP737", true},          {775, "CP775", true},
    {850, "IBM850", true},         {852, "IBM852", true},         {855, "IBM855", true},
    {857, "IBM857", true},         {860, "IBM860", true},         {861, "IBM861", true},
    {862, "IBM862", true},         {863, "IBM863", true},         {865, "IBM865", true},
    {866, "IBM866", true},         {869, "IBM869", true},         {874, "CP874", true},
    {1250, "CP1250", true},        {1251, "CP1251", true},        {1252, "CP1252", true},
    {1253, "CP1253", true},        {1254, "CP1254", true},        {1255, "CP1255", true},
    {1256, "CP1256", true},        {1257, "CP1257", true},        {1258, "CP1258", true},
    {10000, "MACINTOSH", true},    {20127, "US-ASCII", true},     {20866, "KOI8-R", true},
    {21866, "KOI8-U", true},       {28591, "ISO-8859-1", true},   {28592, "ISO-8859-2", true},
    {28593, "ISO-8859-3", true},   {28594, "ISO-8859-4", true},   {28595, "ISO-8859-5", true},
    {28596, "ISO-8859-6", true},   {28597, "ISO-8859-7", true},   {28598, "ISO-8859-8", true},
    {28599, "ISO-8859-9", true},   {28603, "ISO-8859-13", true},  {28605, "ISO-8859-15", true},
    {932, "CP932", false},         {936, "GBK", false},           {949, "CP949", false},
    {950, "CP950", false},
};

unsigned Resolve(unsigned code_page) {
  if (code_page == kCodePageAnsi) return kAnsi;
  if (code_page == kCodePageOem) return kOem;
  return code_page;
}

const CodePageName* Find(unsigned number) {
  for (const auto& cp : kCodePages)
    if (cp.number == number) return &cp;
  return nullptr;
}

// RAII for one iconv descriptor; descriptors are not shared between threads.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  // One call over [in, in+in_len); returns the bytes consumed and written and errno.
  struct Step {
    std::size_t consumed, written;
    int error;
  };
  Step Run(const char* in, std::size_t in_len, char* out, std::size_t out_len) {
    char* src = const_cast<char*>(in);
    char* dst = out;
    std::size_t src_left = in_len, dst_left = out_len;
    const std::size_t r = iconv(cd_, &src, &src_left, &dst, &dst_left);
    return {in_len - src_left, out_len - dst_left, r == static_cast<std::size_t>(-1) ? errno : 0};
  }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }
  // Writes what the converter holds back (a letter waiting for a combining mark); returns the
  // bytes written.
  std::size_t Flush(char* out, std::size_t out_len) {
    char* dst = out;
    std::size_t dst_left = out_len;
    iconv(cd_, nullptr, nullptr, &dst, &dst_left);
    return out_len - dst_left;
  }

 private:
  iconv_t cd_;
};

bool IsSurrogatePairAt(std::u16string_view text, std::size_t i) {
  return i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF && text[i + 1] >= 0xDC00 &&
         text[i + 1] <= 0xDFFF;
}

char16_t Utf16leAt(const char* p) {
  return static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                               (static_cast<unsigned char>(p[1]) << 8));
}

// Windows-1252 from 0x80 to 0x9F; every other byte is the code point of the same value. The
// five holes (0x81, 0x8D, 0x8F, 0x90, 0x9D) decode to their C1 controls, as on Windows. The
// program decodes its texts in this code page while it starts: a compiled-in table spares it
// loading two converter modules and 256 conversions.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Decode and encode tables of one single-byte code page. Encoding looks characters below
// U+0100 up directly and the few others (at most 256) by binary search.
class SingleByteTable {
 public:
  std::array<char16_t, 256> decode{};

  // Fills the encoding side from `decode`; where two bytes decode to one character, the
  // lowest byte encodes it.
  void Index() {
    low_.fill(-1);
    high_.clear();
    for (int b = 255; b >= 0; --b) {
      const char16_t u = decode[b];
      if (u < low_.size()) {
        low_[u] = static_cast<std::int16_t>(b);
      } else {
        const auto at = std::lower_bound(high_.begin(), high_.end(), u, ByCharacter);
        if (at != high_.end() && at->first == u) at->second = static_cast<unsigned char>(b);
        else high_.insert(at, {u, static_cast<unsigned char>(b)});
      }
    }
  }

  // The byte of `u`, or -1 when the code page cannot hold it.
  [[nodiscard]] int Encode(char16_t u) const {
    if (u < low_.size()) return low_[u];
    const auto at = std::lower_bound(high_.begin(), high_.end(), u, ByCharacter);
    return at != high_.end() && at->first == u ? at->second : -1;
  }

 private:
  static bool ByCharacter(const std::pair<char16_t, unsigned char>& entry, char16_t u) { return entry.first < u; }

  std::array<std::int16_t, 256> low_{};
  std::vector<std::pair<char16_t, unsigned char>> high_;
};

std::unique_ptr<SingleByteTable> BuildWindows1252() {
  auto table = std::make_unique<SingleByteTable>();
  for (int b = 0; b < 256; ++b)
    table->decode[b] = b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : static_cast<char16_t>(b);
  table->Index();
  return table;
}

std::unique_ptr<SingleByteTable> BuildTable(unsigned number, const char* iconv_name) {
  if (number == 1252) return BuildWindows1252();
  Iconv cd("UTF-16LE", iconv_name);
  if (!cd.ok()) return nullptr;
  auto table = std::make_unique<SingleByteTable>();
  for (int b = 255; b >= 0; --b) {
    const char in = static_cast<char>(b);
    char out[8];
    cd.Reset();
    const auto step = cd.Run(&in, 1, out, sizeof out);
    // The Hebrew and Vietnamese converters hold a letter back until they see whether a mark
    // follows; Windows decodes byte by byte, so the letter is taken on its own.
    const std::size_t written =
        step.error == 0 ? step.written + cd.Flush(out + step.written, sizeof out - step.written) : 0;
    // An undefined byte decodes, as on Windows, to the code point of the same value.
    table->decode[b] = written == 2 ? Utf16leAt(out) : static_cast<char16_t>(b);
  }
  table->Index();
  return table;
}

const SingleByteTable* TableFor(const CodePageName& cp) {
  static std::mutex mutex;
  static std::map<unsigned, std::unique_ptr<SingleByteTable>> tables;
  const std::lock_guard lock(mutex);
  auto it = tables.find(cp.number);
  if (it == tables.end()) it = tables.emplace(cp.number, BuildTable(cp.number, cp.iconv_name)).first;
  return it->second.get();
}

bool DecodeMultiByte(std::string_view text, const char* iconv_name, std::u16string& out) {
  Iconv cd("UTF-16LE", iconv_name);
  if (!cd.ok()) return false;
  std::string buffer(text.size() * 4 + 8, '\0');
  out.clear();
  std::size_t pos = 0;
  while (pos < text.size()) {
    const auto step = cd.Run(text.data() + pos, text.size() - pos, buffer.data(), buffer.size());
    for (std::size_t i = 0; i + 1 < step.written; i += 2) out.push_back(Utf16leAt(buffer.data() + i));
    pos += step.consumed;
    if (step.error == EILSEQ || step.error == EINVAL) {
      out.push_back(0xFFFD);
      pos += (step.error == EINVAL) ? text.size() - pos : 1;
      cd.Reset();
    } else if (step.error != 0 && step.error != E2BIG) {
      break;
    }
  }
  return true;
}

bool EncodeMultiByte(std::u16string_view text, const char* iconv_name, std::string& out) {
  Iconv cd(iconv_name, "UTF-16LE");
  if (!cd.ok()) return false;
  std::string in;
  in.reserve(text.size() * 2);
  for (char16_t u : text) {
    in.push_back(static_cast<char>(u & 0xFF));
    in.push_back(static_cast<char>(u >> 8));
  }
  std::string buffer(text.size() * 4 + 8, '\0');
  out.clear();
  std::size_t pos = 0;
  while (pos < in.size()) {
    const auto step = cd.Run(in.data() + pos, in.size() - pos, buffer.data(), buffer.size());
    out.append(buffer.data(), step.written);
    pos += step.consumed;
    if (step.error == EILSEQ || step.error == EINVAL) {
      out.push_back('?');
      pos += IsSurrogatePairAt(text, pos / 2) ? 4 : 2;
      cd.Reset();
    } else if (step.error != 0 && step.error != E2BIG) {
      break;
    }
  }
  return true;
}

// Runs the conversion that fits the code page into a fresh result; `out` is replaced only
// when the code page is known.
template <typename Out, typename Utf8, typename Table, typename Multi>
bool Convert(unsigned code_page, Out& out, Utf8 utf8, Table table, Multi multi) {
  const unsigned number = Resolve(code_page);
  Out result;
  if (number == kCodePageUtf8) {
    utf8(result);
  } else {
    const CodePageName* cp = Find(number);
    if (cp == nullptr) return false;
    if (cp->single_byte) {
      const SingleByteTable* t = TableFor(*cp);
      if (t == nullptr) return false;
      table(*t, result);
    } else if (!multi(cp->iconv_name, result)) {
      return false;
    }
  }
  out = std::move(result);
  return true;
}

}  // namespace

unsigned AnsiCodePage() { return kAnsi; }
unsigned OemCodePage() { return kOem; }

bool IsKnownCodePage(unsigned code_page) {
  const unsigned number = Resolve(code_page);
  return number == kCodePageUtf8 || Find(number) != nullptr;
}

bool ToUtf16(std::string_view text, unsigned code_page, std::u16string& out) {
  return Convert(code_page, out, [&](std::u16string& result) { Utf8ToUtf16(text, result); },
                 [&](const SingleByteTable& table, std::u16string& result) {
                   result.resize(text.size());
                   for (std::size_t i = 0; i < text.size(); ++i)
                     result[i] = table.decode[static_cast<unsigned char>(text[i])];
                 },
                 [&](const char* name, std::u16string& result) { return DecodeMultiByte(text, name, result); });
}

bool FromUtf16(std::u16string_view text, unsigned code_page, std::string& out) {
  return Convert(code_page, out, [&](std::string& result) { Utf16ToUtf8(text, result); },
                 [&](const SingleByteTable& table, std::string& result) {
                   result.reserve(text.size());
                   for (std::size_t i = 0; i < text.size(); ++i) {
                     const char16_t u = text[i];
                     const int b = table.Encode(u);
                     result.push_back(b >= 0 ? static_cast<char>(b) : '?');
                     if (IsSurrogatePairAt(text, i)) ++i;  // one character: one '?'
                   }
                 },
                 [&](const char* name, std::string& result) { return EncodeMultiByte(text, name, result); });
}

bool ConvertCodePage(std::string_view text, unsigned from, unsigned to, std::string& out) {
  std::u16string wide;
  return ToUtf16(text, from, wide) && FromUtf16(wide, to, out);
}

bool AnsiEqualNoCase(std::string_view a, std::string_view b) { return detail::AnsiEqualNoCase(a, b); }

}  // namespace platform
