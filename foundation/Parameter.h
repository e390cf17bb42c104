// Parameter: a set of named, typed values kept in one line-oriented text, so that several
// values travel as a single string and are read back by name.
//
// Each value is an entry `tag=value;`; entries appended by Set end in ";\r\n", and readers
// step over CR and LF between entries. Texts are stored quoted with C-style escapes, numbers
// and booleans plain:
//
//   Parameter p;
//   p.Set("Name", "Tab\tQuote\"");       // Name="Tab\tQuote\"";<CR><LF>
//   p.Set("Count", 3);                   // Count=3;<CR><LF>
//   int n = p.GetInt("Count", -1);       // 3
//   Parameter copy(static_cast<const char*>(p));   // the whole set, rebuilt unchanged
//
// Tags are matched exactly and case-sensitively, and the first entry of a tag counts. Spaces
// in front of a tag are skipped, so a tag that begins with a space is never found. A null tag
// is never found either: Get answers false, RemoveTag false, and Set changes nothing. The
// empty tag is an ordinary tag (the entry "=value;").
//
// The text ends at its first zero byte. Every reading operation takes any text, however
// malformed, reads it as far as the format's rules reach and never reads past its end.
// Real numbers are written and read in the "C" locale, whatever the process's locale.
//
// Failures: nothing of its own; QxString's std::bad_alloc propagates.
// Threads: a Parameter must not be used by two threads at once; the QxString copies it hands
// out may travel under QxString's rules.
// Exported from libqx: every member except the internal operations, and the table of virtual
// operations.
#pragma once

#include <string>

#include "foundation/QxExport.h"
#include "foundation/QxString.h"

// The unsigned 64-bit integer of the family's interfaces.
using ULONGLONG = unsigned long long;

// A parameter string: typed values under tags in one text of "tag=value;" entries.
class QX_EXPORT_PARTIAL Parameter {
 public:
  // --- Construction, conversion ---------------------------------------------------------

  // A copy of `text`; null gives the empty text, which holds no entries.
  QX_EXPORT_MEMBER Parameter(const char* text = "");
  // The text becomes `text`, sharing its block.
  QX_EXPORT_MEMBER Parameter(QxString text);
  // A copy of the characters of `text` (up to its first zero).
  QX_EXPORT_MEMBER Parameter(std::string text);
  Parameter(const Parameter&) = default;
  Parameter& operator=(const Parameter&) = default;
  QX_EXPORT_MEMBER virtual ~Parameter();

  // A copy of the text, sharing its block.
  QX_EXPORT_MEMBER operator QxString() const;
  // The text's characters; valid until this Parameter is next changed or destroyed.
  QX_EXPORT_MEMBER operator const char*() const;

  // --- Reading --------------------------------------------------------------------------
  // Each Get answers true and stores the value when the tag is found, and answers false
  // leaving `value` untouched otherwise. Numbers are read from the value's beginning as the
  // runtime's conversions read them (white space, sign, digits; 0 when nothing numeric), so a
  // quoted value reads as 0.

  // atoi.
  QX_EXPORT_MEMBER bool Get(const char* tag, int& value) const;
  // An unsigned decimal 64-bit number (strtoull, base 10).
  QX_EXPORT_MEMBER bool Get(const char* tag, ULONGLONG& value) const;
  // True exactly when the value begins with 't'.
  QX_EXPORT_MEMBER bool Get(const char* tag, bool& value) const;
  // The decoded text of a quoted value; false (value untouched) for a plain value too.
  QX_EXPORT_MEMBER bool Get(const char* tag, QxString& value) const;
  // strtod in the "C" locale (exponents, "inf", "nan" and hexadecimal numbers included).
  QX_EXPORT_MEMBER bool Get(const char* tag, double& value) const;
  // The signed decimal number of a pointer written by Set.
  QX_EXPORT_MEMBER bool Get(const char* tag, void*& value) const;

  // The matching Get on a target preset to the default, which is returned when the tag is
  // missing (false, the empty text, 0.0 and null for the forms without a default argument).
  [[nodiscard]] QX_EXPORT_MEMBER int GetInt(const char* tag, int defaultValue) const;
  [[nodiscard]] QX_EXPORT_MEMBER ULONGLONG GetULONGLONG(const char* tag, ULONGLONG defaultValue) const;
  [[nodiscard]] QX_EXPORT_MEMBER bool GetBool(const char* tag) const;
  [[nodiscard]] QX_EXPORT_MEMBER QxString GetString(const char* tag) const;
  [[nodiscard]] QX_EXPORT_MEMBER double GetDouble(const char* tag) const;
  [[nodiscard]] QX_EXPORT_MEMBER void* GetPtr(const char* tag) const;

  // --- Writing --------------------------------------------------------------------------
  // Each Set replaces the value of the tag's first entry in place, keeping everything around
  // it, or appends `tag=value;` CR LF. An append behind a text that does not end an entry
  // (such as "a=1" without its ';') first ends that entry, so that both values read back.

  // "%d".
  QX_EXPORT_MEMBER void Set(const char* tag, int value);
  // "true" or "false".
  QX_EXPORT_MEMBER void Set(const char* tag, bool value);
  // The quoted, escaped text; null stores the empty text "".
  QX_EXPORT_MEMBER void Set(const char* tag, const char* value);
  // "%lf" in the "C" locale: fixed notation, six decimals.
  QX_EXPORT_MEMBER void Set(const char* tag, double value);
  // The pointer's value as a signed decimal number.
  QX_EXPORT_MEMBER void Set(const char* tag, void* value);
  // Unsigned decimal, no sign, no leading zeros.
  QX_EXPORT_MEMBER void Set(const char* tag, ULONGLONG value);
  // Removes the tag's first entry with the ';' and line break behind it; the spaces in front
  // of the next entry's tag stay with that entry. False (nothing changed) when it is missing.
  QX_EXPORT_MEMBER bool RemoveTag(const char* tag);

  // --- Comparison -----------------------------------------------------------------------
  // Equal when every entry of this text has its tag in the other with the same value and
  // every tag of the other occurs here. Order and line breaks do not matter; quoted values
  // compare by their decoded bytes (a missing tag counts as the empty text), plain values by
  // their exact text (so "01" differs from "1"). A tag is taken with any spaces in front of it
  // here, so a text with such an entry equals no text, itself included.
  QX_EXPORT_MEMBER bool operator==(const Parameter& other) const;
  QX_EXPORT_MEMBER bool operator!=(const Parameter& other) const;

 private:
  // How the entries of a text end when a tag is not found: where an appended entry would
  // stand if nothing were put in front of it.
  struct TextEnd {
    enum Kind {
      kEntryStart,  // empty, or behind a ';' or a line break (and spaces)
      kTag,         // in a tag: no '=' follows; `at` is where the tag begins
      kValue,       // in a value that has no ';' behind it
      kQuoted,      // in a quoted value that runs to the end; `at` is its opening quote
    } kind = kEntryStart;
    int at = 0;
  };

  // Offset of the first character of the tag's value (just behind its '='), or -1. When the
  // tag is missing and `end` is given, it learns how the text ends.
  QX_NO_EXPORT int FindTag(const char* tag, TextEnd* end = nullptr) const;
  // Reads the quoted value whose opening quote `cursor` points at and leaves `cursor` behind
  // its closing quote, or on the text's zero. Returns the decoded bytes when `collect` is
  // set, else the empty string.
  QX_NO_EXPORT static QxString ReadQuoted(const char*& cursor, bool collect);
  // The quoted form of `text` (null counts as empty).
  QX_NO_EXPORT static QxString WriteQuoted(const char* text);
  // Replaces the value of the tag's first entry with `valueText`, or appends a new entry.
  QX_NO_EXPORT void StoreValue(const char* tag, QxString valueText);

  // Test hook: the fuzz target reaches the internal operations through it.
  friend struct ParameterInternals;

  QxString m_text;
};
