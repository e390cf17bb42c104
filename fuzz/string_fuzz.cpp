// libFuzzer target: drives QxString's editing operations (Replace, ReplaceNoCase, Insert,
// Delete, the Trim family, Mid/Left/Right) with arbitrary input, on owned, shared and locked
// blocks, and checks every result against a std::string model of the same operation.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "foundation/QxString.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "QxString differs from the model: %s\n", what);
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

void CheckSame(const QxString& s, const std::string& model, const char* what) {
  const char* text = s;
  const auto* header = reinterpret_cast<const QxStringData*>(text) - 1;
  Check(s.GetLength() == static_cast<int>(model.size()), what);
  Check(header->dataLength <= header->allocLength, what);
  Check(std::memcmp(text, model.data(), model.size()) == 0 && text[model.size()] == '\0', what);
}

std::size_t TextEnd(const std::string& m) {
  const std::size_t zero = m.find('\0');
  return zero == std::string::npos ? m.size() : zero;
}

std::string CString(const std::string& text) { return std::string(text.c_str()); }

bool IsSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }
char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

int ModelReplace(std::string& m, const std::string& oldText, const std::string& newText, bool noCase) {
  if (oldText.empty()) return 0;
  auto match = [&](std::size_t at) {
    for (std::size_t k = 0; k < oldText.size(); ++k) {
      const char a = m[at + k], b = oldText[k];
      if (noCase ? Upper(a) != Upper(b) : a != b) return false;
    }
    return true;
  };
  std::string out;
  int count = 0;
  std::size_t i = 0;
  while (i < m.size()) {
    if (i + oldText.size() <= m.size() && match(i)) {
      out += newText;
      i += oldText.size();
      ++count;
    } else {
      out += m[i++];
    }
  }
  m = out;
  return count;
}

template <typename Match>
void ModelTrimRight(std::string& m, Match match) {
  const std::size_t end = TextEnd(m);
  std::size_t run = end;
  while (run > 0 && match(m[run - 1])) --run;
  if (run < end) m.resize(run);
}

template <typename Match>
void ModelTrimLeft(std::string& m, Match match) {
  std::size_t skip = 0;
  while (skip < m.size() && m[skip] != '\0' && match(m[skip])) ++skip;
  m.erase(0, skip);
}

std::string ModelMid(const std::string& m, long long first, long long count) {
  const auto length = static_cast<long long>(m.size());
  first = std::max(first, 0LL);
  count = std::max(count, 0LL);
  if (first > length) return {};
  if (first + count > length) count = length - first;
  return m.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string start = in.ConsumeRandomLengthString(256);
  QxString s(start.data(), static_cast<int>(start.size()));
  std::string m = start;
  constexpr std::size_t kMaxModel = 1 << 16;
  while (in.remaining_bytes() > 0) {
    // Sometimes share the block (the copy must not change) or lock it.
    QxString snapshot;
    const std::uint8_t mode = in.ConsumeIntegral<std::uint8_t>();
    if ((mode & 3) == 1) snapshot = s;
    if ((mode & 3) == 2) s.LockBuffer();
    if ((mode & 3) == 3) {
      s.GetBuffer(s.GetLength() + (mode >> 2));
      s.ReleaseBuffer(s.GetLength());
    }
    const std::string before = m;
    const int index = in.ConsumeIntegral<int>() % 300;
    const int count = in.ConsumeIntegral<int>() % 300;
    const std::string a = in.ConsumeRandomLengthString(16);
    const std::string b = in.ConsumeRandomLengthString(16);
    const char ch = static_cast<char>(in.ConsumeIntegral<std::uint8_t>());
    switch (in.ConsumeIntegralInRange(0, 15)) {
      case 0:
      case 1: {
        const bool noCase = (mode & 4) != 0;
        std::string expected = m;
        const int n = ModelReplace(expected, CString(a), CString(b), noCase);
        if (expected.size() > kMaxModel) break;
        const int got = noCase ? s.ReplaceNoCase(a.c_str(), b.c_str()) : s.Replace(a.c_str(), b.c_str());
        Check(got == n, "Replace count");
        m = expected;
        break;
      }
      case 2: {
        const int got = s.Insert(index, ch);
        m.insert(static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(m.size()))), 1, ch);
        Check(got == static_cast<int>(m.size()), "Insert(char) result");
        break;
      }
      case 3: {
        const std::string text = CString(a);
        const int got = s.Insert(index, a.c_str());
        if (!text.empty()) m.insert(static_cast<std::size_t>(std::clamp(index, 0, static_cast<int>(m.size()))), text);
        Check(got == static_cast<int>(m.size()), "Insert(text) result");
        break;
      }
      case 4: {
        const int got = s.Delete(index, count);
        const int from = std::max(index, 0);
        if (count > 0 && from < static_cast<int>(m.size())) m.erase(static_cast<std::size_t>(from), static_cast<std::size_t>(count));
        Check(got == static_cast<int>(before.size()), "Delete result");
        break;
      }
      case 5: s.TrimLeft(); ModelTrimLeft(m, IsSpace); break;
      case 6: s.TrimRight(); ModelTrimRight(m, IsSpace); break;
      case 7:
        s.TrimLeft(ch);
        if (ch != '\0') ModelTrimLeft(m, [ch](char c) { return c == ch; });
        break;
      case 8:
        s.TrimRight(ch);
        if (ch != '\0') ModelTrimRight(m, [ch](char c) { return c == ch; });
        break;
      case 9: {
        const std::string set = CString(a);
        s.TrimLeft(a.c_str());
        ModelTrimLeft(m, [&set](char c) { return set.find(c) != std::string::npos; });
        break;
      }
      case 10: {
        const std::string set = CString(a);
        s.TrimRight(a.c_str());
        ModelTrimRight(m, [&set](char c) { return set.find(c) != std::string::npos; });
        break;
      }
      case 11: {
        const QxString mid = s.Mid(index, count);
        CheckSame(mid, ModelMid(m, index, count), "Mid");
        CheckSame(s.Mid(index), ModelMid(m, index, static_cast<long long>(m.size()) - index), "Mid(first)");
        break;
      }
      case 12: {
        const int n = std::clamp(count, 0, static_cast<int>(m.size()));
        CheckSame(s.Left(count), m.substr(0, static_cast<std::size_t>(n)), "Left");
        CheckSame(s.Right(count), m.substr(m.size() - static_cast<std::size_t>(n)), "Right");
        break;
      }
      case 13: {
        const int got = s.Remove(ch);
        const auto removed = std::count(m.begin(), m.end(), ch);
        m.erase(std::remove(m.begin(), m.end(), ch), m.end());
        Check(got == static_cast<int>(removed), "Remove count");
        break;
      }
      case 14: {
        if (m.size() * 2 > kMaxModel) break;
        s += s;
        m += m;
        break;
      }
      default: {
        const std::string text = CString(a);
        const std::size_t at = TextEnd(m) >= text.size() ? std::string_view(m.data(), TextEnd(m)).find(text) : std::string::npos;
        const int expected = text.empty() ? 0 : (at == std::string::npos ? -1 : static_cast<int>(at));
        Check(s.Find(a.c_str()) == expected, "Find");
        break;
      }
    }
    CheckSame(s, m, "text after the operation");
    if ((mode & 3) == 1) CheckSame(snapshot, before, "shared copy changed");
    s.UnlockBuffer();
  }
  return 0;
}
