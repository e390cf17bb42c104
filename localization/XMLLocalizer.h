// XMLLocalizer: the translation table. Loads the texts of one language from an XML table
// (embedded resource, text or file) and hands them out by key, with the lines that the
// source split for readability joined and escapes turned into control characters.
//
//   XMLLocalizer texts;
//   texts.SetResourceName("ZEBSTRINGS");
//   texts.LoadFromResource(nullptr, 0);                 // the user's language
//   std::string title = texts.GetString("LUMORA_TITLE", true);
//
// Table format: root "TRANSLATIONS" (any case); one child per entry with the key in its
// attribute "ItemId"; inside it one element per language ("English", "German", ...).
#pragma once

#include <string>
#include <unordered_map>

#include "localization/XMLMgr.h"

class XMLLocalizer {
 public:
  XMLLocalizer();
  virtual ~XMLLocalizer();

  // Names the "XML" resource that LoadFromResource reads; "TRANSLATE" until changed.
  void SetResourceName(const char* name);

  // Loads the table from the executable's "XML" resource of the current name. `language`
  // names the language element to take, null for the user's interface language; the
  // resource's bytes are decoded with `codePage` (0: the ANSI code page) and end at the
  // first zero byte. False, with the map unchanged, when there is no such resource or the
  // table cannot be read.
  bool LoadFromResource(const char* language, unsigned codePage);

  // Loads the table from `data`: the XML text itself when `isText`, decoded with
  // `codePage`, else the path of an XML file. Adds to (and replaces equal keys of) what is
  // already loaded; false, with the map unchanged, when nothing could be read.
  bool LoadFromData(const char* data, const char* language, bool isText, unsigned codePage);

  // Fills the map from a parsed table whose root element is `root`. False, with the map
  // unchanged, when the root is not "TRANSLATIONS". Entries without the language are not
  // stored: there is no fallback to another language.
  bool ReadTranslations(CXMLMgr& document, CXMLNode* root, const char* language);

  // The text of `key` with lines joined and, when `unescape`, the escapes \n \r \t \' \"
  // resolved. A null key gives "", a key without a text gives the key itself, and a text
  // that begins with '{' comes back exactly as stored.
  std::string GetString(const char* key, bool unescape) const;

 private:
  std::unordered_map<std::string, std::string> m_texts;
  std::string m_resourceName;
};
