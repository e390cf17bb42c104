// The executable's own resources on Windows: FindResourceExA, LoadResource, LockResource and
// SizeofResource on the running program's module.
#include "platform/resources.h"

#include <string>

#include "platform/win32/win32_api.h"

namespace platform {
namespace {

// A type or name as FindResourceEx takes it: "#n" (n a decimal number up to 65535) is the
// numeric identifier n, anything else the string itself (compared without case by Windows).
class ResourceId {
 public:
  explicit ResourceId(std::string_view text) : text_(text) {
    if (text.size() < 2 || text.size() > 6 || text[0] != '#') return;
    unsigned value = 0;
    for (const char c : text.substr(1)) {
      if (c < '0' || c > '9') return;
      value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value == 0 || value > 0xFFFF) return;
    numeric_ = true;
    number_ = static_cast<WORD>(value);
  }
  bool valid() const { return numeric_ || (!text_.empty() && text_[0] != '#'); }
  LPCSTR get() const { return numeric_ ? MAKEINTRESOURCEA(number_) : text_.c_str(); }

 private:
  std::string text_;
  bool numeric_ = false;
  WORD number_ = 0;
};

std::optional<std::span<const unsigned char>> Load(HMODULE module, HRSRC found) {
  if (found == nullptr) return std::nullopt;
  const HGLOBAL loaded = LoadResource(module, found);
  if (loaded == nullptr) return std::nullopt;
  const void* data = LockResource(loaded);
  const DWORD size = SizeofResource(module, found);
  if (data == nullptr) return std::nullopt;
  return std::span(static_cast<const unsigned char*>(data), size);
}

// The first copy of a resource, or the copy in the wanted language where there is one.
struct LanguageChoice {
  WORD wanted;
  WORD chosen;
  bool any;
};

// EnumResourceLanguagesA's callback: a function of the system's calling convention (stdcall
// on 32-bit Windows, which no lambda converts to). Stops once the wanted language is found.
BOOL CALLBACK ChooseLanguage(HMODULE, LPCSTR, LPCSTR, WORD lang, LONG_PTR param) {
  auto* c = reinterpret_cast<LanguageChoice*>(param);
  if (!c->any || (c->wanted != 0 && lang == c->wanted)) c->chosen = lang;
  c->any = true;
  return c->wanted == 0 || lang != c->wanted;
}

}  // namespace

std::optional<std::span<const unsigned char>> FindResourceData(std::string_view type, std::string_view name,
                                                           LangId language) {
  const ResourceId type_id(type);
  const ResourceId name_id(name);
  if (!type_id.valid() || !name_id.valid()) return std::nullopt;
  const HMODULE module = GetModuleHandleA(nullptr);
  // The language is chosen here, not by FindResourceEx: given a language it has no copy of,
  // the loader falls back through the neutral and the user's languages to a copy of its own
  // choosing, where the first copy has to win.
  LanguageChoice choice{language, 0, false};
  EnumResourceLanguagesA(module, type_id.get(), name_id.get(), ChooseLanguage,
                         reinterpret_cast<LONG_PTR>(&choice));
  if (!choice.any) return std::nullopt;
  return Load(module, FindResourceExA(module, type_id.get(), name_id.get(), choice.chosen));
}

}  // namespace platform
