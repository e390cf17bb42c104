// Drives QxString's buffer access (GetBuffer, GetBufferSetLength, ReleaseBuffer, LockBuffer,
// UnlockBuffer, FreeExtra) with arbitrary sequences on empty, owned, shared and locked blocks,
// writing every byte a buffer promises, and checks each string against a std::string model.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "foundation/QxString.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckSame(const QxString& s, const std::string& model) {
  const char* text = s;
  const auto* header = reinterpret_cast<const QxStringData*>(text) - 1;
  Check(s.GetLength() == static_cast<int>(model.size()));
  Check(header->dataLength <= header->allocLength || header->refCount == -2);
  Check(std::memcmp(text, model.data(), model.size()) == 0 && text[model.size()] == '\0');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  QxString strings[2];
  std::string models[2];
  while (in.remaining_bytes() > 0) {
    const int i = in.ConsumeBool() ? 1 : 0;
    QxString& s = strings[i];
    std::string& m = models[i];
    const int n = in.ConsumeIntegralInRange<int>(-2, 300);
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
      case 0: {  // fill the whole promised buffer, then let ReleaseBuffer find the zero
        char* p = s.GetBuffer(n);
        const int room = std::max(n, static_cast<int>(m.size()));
        const char fill = static_cast<char>(in.ConsumeIntegralInRange<int>('a', 'z'));
        const int written = std::max(0, std::min(n, room));
        std::memset(p, fill, static_cast<std::size_t>(written));
        p[written] = '\0';
        s.ReleaseBuffer(-1);
        m.assign(static_cast<std::size_t>(written), fill);
        break;
      }
      case 1: {
        char* p = s.GetBufferSetLength(n);
        const int length = std::max(n, 0);
        m.resize(static_cast<std::size_t>(length), '\0');
        for (int k = 0; k < length; ++k) p[k] = m[static_cast<std::size_t>(k)] = static_cast<char>('A' + k % 26);
        p[length] = '\0';
        break;
      }
      case 2: {
        const int before = static_cast<int>(m.size());
        s.GetBuffer(0)[before] = '\0';
        // A length past the text would take bytes the caller never wrote.
        s.ReleaseBuffer(std::min(n, before));
        if (n >= 0 && n < before) m.resize(static_cast<std::size_t>(n));
        break;
      }
      case 3: {
        char* p = s.LockBuffer();
        // An empty string stays on the shared empty block, which must not be written.
        if (reinterpret_cast<const QxStringData*>(p)[-1].refCount != -2) p[m.size()] = '\0';
        break;
      }
      case 4:
        s.UnlockBuffer();
        break;
      case 5:
        s.FreeExtra();
        break;
      case 6:
        strings[1 - i] = s;
        models[1 - i] = m;
        break;
      case 7:
        s.Empty();
        m.clear();
        break;
    }
    CheckSame(strings[0], models[0]);
    CheckSame(strings[1], models[1]);
  }
  return 0;
}
