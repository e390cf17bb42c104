// XMLLocalizer: loading the translation table and looking texts up.
#include "localization/XMLLocalizer.h"

#include <cstring>

#include "platform/language.h"
#include "platform/resources.h"

namespace {

// The language element the user's interface language selects; English for every language
// the table does not carry.
const char* UserLanguageName() {
  platform::LangId id = platform::UserDefaultLangId();
  if (id == 0) id = platform::SystemDefaultLangId();
  switch (platform::PrimaryLangId(id)) {
    case 0x07: return "German";
    case 0x0A: return "Spanish";
    case 0x0C: return "French";
    case 0x10: return "Italian";
    default: return "English";
  }
}

std::string ToUpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

void ReplaceAll(std::string& text, std::string_view from, char to) {
  std::size_t p = text.find(from);
  if (p == std::string::npos) return;
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  for (; p != std::string::npos; p = text.find(from, start)) {
    out.append(text, start, p - start);
    out.push_back(to);
    start = p + from.size();
  }
  out.append(text, start, std::string::npos);
  text = std::move(out);
}

// Joins the lines of a text that its XML source continued on tab-indented lines: a line
// feed and the tabs after it become one blank, or vanish after an escaped \n or \r.
void JoinLines(std::string& text, bool unescape) {
  std::size_t p = text.find('\n');
  while (p != std::string::npos) {
    std::size_t q = p + 1;
    while (q < text.size() && text[q] == '\t') ++q;
    if (q < text.size()) {
      if (unescape && p >= 2 && text[p - 2] == '\\' && (text[p - 1] == 'n' || text[p - 1] == 'r'))
        text.erase(p, q - p);
      else
        text.replace(p, q - p, 1, ' ');
    }
    if (p + 1 >= text.size()) break;
    p = text.find('\n', p + 1);
  }
}

}  // namespace

XMLLocalizer::XMLLocalizer() : m_resourceName("TRANSLATE") {}

XMLLocalizer::~XMLLocalizer() = default;

void XMLLocalizer::SetResourceName(const char* name) { m_resourceName = name != nullptr ? name : ""; }

bool XMLLocalizer::LoadFromResource(const char* language, unsigned codePage) {
  const auto bytes = platform::FindResourceData("XML", m_resourceName);
  if (!bytes) return false;
  const char* data = reinterpret_cast<const char*>(bytes->data());
  const std::string text(data, strnlen(data, bytes->size()));
  return LoadFromData(text.c_str(), language, true, codePage);
}

bool XMLLocalizer::LoadFromData(const char* data, const char* language, bool isText, unsigned codePage) {
  if (data == nullptr) return false;
  CXMLMgr document;
  if (document.CreateDocument() != 0) return false;
  const bool loaded = isText ? document.LoadXml(data, codePage) : document.LoadFile(data);
  if (!loaded || document.GetRoot() == nullptr) return false;
  return ReadTranslations(document, document.GetRoot(), language);
}

bool XMLLocalizer::ReadTranslations(CXMLMgr& document, CXMLNode* root, const char* language) {
  if (root == nullptr || ToUpperAscii(document.GetNodeName(root)) != "TRANSLATIONS") return false;
  const std::string name = language != nullptr ? language : UserLanguageName();

  for (CXMLNode* entry = document.GetFirstChild(root); entry != nullptr;
       entry = document.GetNextSibling(entry)) {
    std::string key;
    if (document.GetAttribute(entry, "ItemId", key) != 1 || key.empty()) continue;
    for (CXMLNode* text = document.GetFirstChild(entry); text != nullptr; text = document.GetNextSibling(text)) {
      if (name == document.GetNodeName(text)) m_texts[key] = document.GetNodeText(text);
    }
  }
  return true;
}

std::string XMLLocalizer::GetString(const char* key, bool unescape) const {
  if (key == nullptr) return {};
  const auto found = m_texts.find(key);
  if (found == m_texts.end()) return key;
  std::string text = found->second;
  if (!text.empty() && text.front() == '{') return text;
  JoinLines(text, unescape);
  if (unescape) {
    ReplaceAll(text, "\\n", '\n');
    ReplaceAll(text, "\\r", '\r');
    ReplaceAll(text, "\\t", '\t');
    ReplaceAll(text, "\\'", '\'');
    ReplaceAll(text, "\\\"", '"');
  }
  return text;
}
