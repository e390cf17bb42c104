// libFuzzer target: Parameter on arbitrary texts. Lookups, every Get, Set, RemoveTag and the
// comparison run on whatever the input holds (unterminated quotes, escapes cut off by the
// end, entries without '=', zero bytes inside the string); ASan sees any read past the text.
// Beside it, a Parameter built by Set calls alone is checked against a model: under tags of
// 1 to 64 bytes without a leading space and without '=', ';', '"', CR or LF, every value
// (bytes 0x01-0xFF) reads back exactly, and so does a value stored on the arbitrary text.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <variant>

#include "foundation/Parameter.h"

// The test hook named by Parameter: the internal operations.
struct ParameterInternals {
  static int FindTag(const Parameter& p, const char* tag) { return p.FindTag(tag); }
  static QxString ReadQuoted(const char*& cursor, bool collect) { return Parameter::ReadQuoted(cursor, collect); }
  static QxString WriteQuoted(const char* text) { return Parameter::WriteQuoted(text); }
};

namespace {

[[noreturn]] void Fail(const char* what, const std::string& tag) {
  std::fprintf(stderr, "Parameter: %s (tag \"%s\")\n", what, tag.c_str());
  std::abort();
}

void Check(bool ok, const char* what, const std::string& tag = "") {
  if (!ok) Fail(what, tag);
}

std::string Text(const Parameter& p) { return static_cast<const char*>(p); }

// A tag the walk over entries cannot misread: 1 to 64 bytes, no leading space, none of the
// format's separators, no zero.
std::string WellFormedTag(FuzzedDataProvider& in) {
  std::string tag = in.ConsumeRandomLengthString(64);
  for (char& c : tag) {
    if (c == '\0' || c == '=' || c == ';' || c == '"' || c == '\r' || c == '\n') c = 'q';
  }
  if (tag.empty()) tag = "t";
  if (tag[0] == ' ') tag[0] = 'b';
  return tag;
}

// A text value of bytes 0x01-0xFF.
std::string TextValue(FuzzedDataProvider& in) {
  std::string value = in.ConsumeRandomLengthString(128);
  for (char& c : value) {
    if (c == '\0') c = '\x01';
  }
  return value;
}

// FindTag answers -1 or the offset just behind "tag=" within the text.
void CheckFindTag(const Parameter& p, const std::string& tagBytes) {
  const std::string tag = tagBytes.c_str();  // the tag ends at its zero
  const int at = ParameterInternals::FindTag(p, tag.c_str());
  if (at < 0) {
    Check(at == -1, "FindTag answered a negative offset other than -1", tag);
    return;
  }
  const std::string text = Text(p);
  Check(static_cast<std::size_t>(at) <= text.size() && static_cast<std::size_t>(at) >= tag.size() + 1,
        "FindTag answered an offset outside the text", tag);
  Check(text.compare(static_cast<std::size_t>(at) - tag.size() - 1, tag.size() + 1, tag + "=") == 0,
        "FindTag answered an offset that is not behind tag=", tag);
}

void ReadEverything(const Parameter& p, const std::string& tag) {
  CheckFindTag(p, tag);
  int i = 0;
  bool b = false;
  double d = 0;
  void* v = nullptr;
  ULONGLONG u = 0;
  QxString s;
  const bool found = p.Get(tag.c_str(), i);
  Check(p.Get(tag.c_str(), b) == found && p.Get(tag.c_str(), d) == found && p.Get(tag.c_str(), v) == found &&
            p.Get(tag.c_str(), u) == found,
        "the numeric Get overloads disagree on whether the tag is there", tag);
  if (p.Get(tag.c_str(), s)) Check(found, "a text was read for a missing tag", tag);
  (void)p.GetString(tag.c_str());
}

// The arbitrary text: whatever it holds, nothing reads past it, and a value stored under a
// well-formed tag reads back.
void OnArbitraryText(Parameter& p, FuzzedDataProvider& in) {
  const std::string anyTag = in.ConsumeRandomLengthString(16);
  const std::string tag = WellFormedTag(in);
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0: ReadEverything(p, anyTag); break;
    case 1: {
      const bool there = ParameterInternals::FindTag(p, anyTag.c_str()) >= 0;
      const std::size_t before = Text(p).size();
      Check(p.RemoveTag(anyTag.c_str()) == there, "RemoveTag disagrees with FindTag", anyTag);
      Check(!there || Text(p).size() < before, "RemoveTag removed nothing", anyTag);
      break;
    }
    case 2: {
      const std::string value = TextValue(in);
      p.Set(tag.c_str(), value.c_str());
      QxString got;
      Check(p.Get(tag.c_str(), got) && std::string(got, static_cast<std::size_t>(got.GetLength())) == value,
            "a text stored on an arbitrary text does not read back", tag);
      break;
    }
    case 3: {
      const int value = in.ConsumeIntegral<int>();
      p.Set(tag.c_str(), value);
      Check(p.GetInt(tag.c_str(), ~value) == value, "a number stored on an arbitrary text does not read back", tag);
      break;
    }
    case 4: p.Set(anyTag.c_str(), in.ConsumeIntegral<int>()); break;
    case 5: p.Set(anyTag.c_str(), TextValue(in).c_str()); break;
    case 6: {
      // A quoted value wherever the text holds a double quote: the cursor stays in the text.
      const std::string text = Text(p);
      const std::size_t quote = text.find('"', in.ConsumeIntegralInRange<std::size_t>(0, text.size()));
      if (quote == std::string::npos) break;
      const char* start = static_cast<const char*>(p) + quote;
      const char* cursor = start;
      const QxString decoded = ParameterInternals::ReadQuoted(cursor, true);
      Check(cursor > start && cursor <= start + (text.size() - quote), "ReadQuoted left the text");
      Check(decoded.GetLength() < cursor - start, "ReadQuoted decoded more bytes than it read");
      break;
    }
    default: {
      const Parameter other(in.ConsumeRandomLengthString(128).c_str());
      Check((p == other) != (p != other), "operator!= is not the negation of operator==");
      (void)(other == p);
      break;
    }
  }
}

using Value = std::variant<std::string, int, bool>;

// The Parameter made by Set calls alone, against a map of what was stored.
void OnBuiltText(Parameter& p, std::map<std::string, Value>& model, FuzzedDataProvider& in) {
  const std::string tag = WellFormedTag(in);
  switch (in.ConsumeIntegralInRange(0, 4)) {
    case 0: {
      const std::string value = TextValue(in);
      p.Set(tag.c_str(), value.c_str());
      model[tag] = value;
      break;
    }
    case 1: {
      const int value = in.ConsumeIntegral<int>();
      p.Set(tag.c_str(), value);
      model[tag] = value;
      break;
    }
    case 2: {
      const bool value = in.ConsumeBool();
      p.Set(tag.c_str(), value);
      model[tag] = value;
      break;
    }
    case 3: {
      Check(p.RemoveTag(tag.c_str()) == (model.erase(tag) == 1), "RemoveTag disagrees with the model", tag);
      Check(ParameterInternals::FindTag(p, tag.c_str()) == -1, "a removed tag is still there", tag);
      break;
    }
    default: {
      // The quoted form itself: closed, and decoded to the same bytes.
      const std::string value = TextValue(in);
      const QxString quoted = ParameterInternals::WriteQuoted(value.c_str());
      const char* cursor = quoted;
      const QxString decoded = ParameterInternals::ReadQuoted(cursor, true);
      Check(*cursor == '\0' && std::string(decoded, static_cast<std::size_t>(decoded.GetLength())) == value,
            "WriteQuoted does not read back");
      break;
    }
  }
  for (const auto& [t, expected] : model) {
    if (const auto* text = std::get_if<std::string>(&expected)) {
      QxString got;
      Check(p.Get(t.c_str(), got) && std::string(got, static_cast<std::size_t>(got.GetLength())) == *text,
            "a stored text does not read back", t);
    } else if (const auto* number = std::get_if<int>(&expected)) {
      Check(p.GetInt(t.c_str(), ~*number) == *number, "a stored number does not read back", t);
    } else {
      Check(p.GetBool(t.c_str()) == std::get<bool>(expected) && p.GetInt(t.c_str(), 1) == 0,
            "a stored boolean does not read back", t);
    }
  }
  Check(p == Parameter(static_cast<QxString>(p)), "a text made by Set differs from its own copy");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string start = in.ConsumeRandomLengthString(1024);
  // Sometimes the text's block holds bytes behind a zero, which the text ends at.
  Parameter arbitrary = in.ConsumeBool() ? Parameter(QxString(start.data(), static_cast<int>(start.size())))
                                         : Parameter(start.c_str());
  Parameter built;
  std::map<std::string, Value> model;
  for (int steps = 0; in.remaining_bytes() > 0 && steps < 64; ++steps) {
    if (in.ConsumeBool())
      OnArbitraryText(arbitrary, in);
    else
      OnBuiltText(built, model, in);
  }
  return 0;
}
