// Our own PE resource reader (POSIX): types and names as numbers or as names compared without
// case, exact languages, the listing against an independent reader, hostile names and
// directories. The loader's language choice is the version reader's (version_resource_test).
#include "platform/emulation/pe_resources.h"
#include "platform/emulation/positional_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/unicode.h"
#include "tests/platform/host_layout.h"
#include "tests/support/TempDir.h"
#include "tools/pe_writer/PeWriter.h"

namespace {

using platform::detail::PeResources;
using platform::detail::ResourceId;

pe_writer::PeLayout Layout(bool pe32_plus) {
  pe_writer::PeLayout layout = testsupport::HostLayout(pe32_plus);
  layout.resources = {
      {{0, "XML"}, {0, "ZEBSTRINGS"}, 1031, "<de/>"},
      {{0, "XML"}, {0, "ZEBSTRINGS"}, 1033, "<en/>"},
      {{5, ""}, {102, ""}, 0, "dialog"},
      {{0, "Typ"}, {7, ""}, 0, "named type"},
      {{10, ""}, {0, "Caf\xC3\xA9"}, 0, "Latin-1 name"},
  };
  return layout;
}

std::string Data(PeResources& file, const ResourceId& type, const ResourceId& name,
                 std::optional<std::uint32_t> language) {
  const auto found = file.Find(type, name, language);
  if (!found) return "(none)";
  const auto bytes = file.Load(*found);
  return bytes ? std::string(bytes->begin(), bytes->end()) : "(unreadable)";
}

TEST(PeResources, FindsTypesAndNamesAsNumbersOrAsNamesWithoutCaseInTheGivenLanguage) {
  struct Case {
    ResourceId type, name;
    std::optional<std::uint32_t> language;
    const char* data;
  };
  const Case cases[] = {
      {u"XML", u"ZEBSTRINGS", 1031, "<de/>"},
      {u"xml", u"ZebStrings", 1033, "<en/>"},
      {u"XML", u"ZEBSTRINGS", 1036, "(none)"},  // a given language matches exactly
      {u"XML", u"ZEBSTRING", 1031, "(none)"},
      {5, 102, std::nullopt, "dialog"},
      {5, 102, 0, "dialog"},
      {u"5", 102, std::nullopt, "(none)"},      // a name never matches a number
      {5, u"102", std::nullopt, "(none)"},
      {u"TYP", 7, std::nullopt, "named type"},
      {10, u"CAF\u00C9", std::nullopt, "Latin-1 name"},
      {10, u"CAFE", std::nullopt, "(none)"},
  };
  testsupport::TempDir dir;
  for (bool plus : {false, true}) {
    PeResources file(dir.Write("file.dll", pe_writer::MakePe(Layout(plus))));
    ASSERT_TRUE(file);
    for (const Case& c : cases) {
      std::string type, name;
      platform::Utf16ToUtf8(c.type.name, type);
      platform::Utf16ToUtf8(c.name.name, name);
      EXPECT_EQ(Data(file, c.type, c.name, c.language), c.data) << type << c.type.number << "/" << name << c.name.number;
    }
  }
}

std::string Listing(PeResources& file) {
  const auto all = file.List();
  if (!all) return "(damaged)";
  auto id = [](const ResourceId& r) {
    std::string text;
    platform::Utf16ToUtf8(r.name, text);
    return r.is_name ? '"' + text + '"' : std::to_string(r.number);
  };
  std::string lines;
  for (const auto& r : *all)
    lines += id(r.type) + "\t" + id(r.name) + "\t" + std::to_string(r.language) + "\t" + std::to_string(r.size) + "\n";
  return lines;
}

// The independent reader: Debian's python3-pefile.
std::string PefileListing(const std::string& path) {
  const std::string script = std::string(TIDEWELL_SOURCE_DIR) + "/tests/support/pe_resources.py";
  std::FILE* pipe = popen(("/usr/bin/python3 " + script + " " + path).c_str(), "r");
  if (pipe == nullptr) return "(no pipe)";
  std::string out;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
  EXPECT_EQ(pclose(pipe), 0) << "python3-pefile must be installed (scripts/setup)";
  return out;
}

TEST(PeResources, ListsWhatAnIndependentReaderLists) {
  testsupport::TempDir dir;
  for (bool plus : {false, true}) {
    const std::string path = dir.Write("file.dll", pe_writer::MakePe(Layout(plus)));
    PeResources file(path);
    const std::string ours = Listing(file);
    EXPECT_EQ(ours, PefileListing(path));
    EXPECT_NE(ours.find("\"XML\"\t\"ZEBSTRINGS\"\t1033\t5\n"), std::string::npos) << ours;
  }
}

void Put(std::string& s, std::size_t at, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}

TEST(PeResources, HostileNamesAndDirectoriesGiveNothing) {
  const std::string pe = pe_writer::MakePe(Layout(false));
  constexpr std::size_t kRsrc = 0x400;               // where the writer puts the resource section
  constexpr std::size_t kFirstType = kRsrc + 16;     // the root's first entry: the named type "XML"
  const std::size_t name_length = pe.find(std::string("Z\0E\0B\0", 6)) - 2;
  ASSERT_EQ(pe[name_length], 10);
  struct Case {
    const char* what;
    std::size_t at;
    std::uint32_t value;
    int bytes;
  };
  const Case cases[] = {
      {"name past the directory", kFirstType, 0xFFFFFFF0u, 4},
      {"name length past the directory", name_length, 0xFFFF, 2},
      {"type directory is the root", kFirstType + 4, 0x80000000u, 4},
      {"type directory past the end", kFirstType + 4, 0x8FFFFFFFu, 4},
  };
  testsupport::TempDir dir;
  for (const Case& c : cases) {
    std::string damaged = pe;
    Put(damaged, c.at, c.value, c.bytes);
    PeResources file(dir.Write("file.dll", damaged));
    EXPECT_EQ(Data(file, u"XML", u"ZEBSTRINGS", 1031), "(none)") << c.what;
    EXPECT_EQ(Listing(file), "(damaged)") << c.what;
    EXPECT_EQ(Data(file, 5, 102, 0), "dialog") << c.what << ": the other types stay readable";
  }
}

TEST(PeResources, EveryTruncationAndRandomDamageIsSurvived) {
  const std::string pe = pe_writer::MakePe(Layout(true));
  testsupport::TempDir dir;
  auto check = [&](const std::string& bytes) {
    PeResources file(dir.Write("file.dll", bytes));
    const auto found = file.Find(u"XML", u"ZEBSTRINGS", 1031);
    const auto data = found ? file.Load(*found) : std::nullopt;
    if (data) {
      EXPECT_LE(data->size(), bytes.size());
    }
    if (const auto all = file.List()) {
      EXPECT_LE(all->size(), 65536u);
    }
  };
  for (std::size_t n = 0x200; n < pe.size(); n += (n < 0x600 ? 1 : 11)) check(pe.substr(0, n));
  std::mt19937 random(5);
  for (int round = 0; round < 1000; ++round) {
    std::string damaged = pe;
    for (int flips = 1 + static_cast<int>(random() % 4); flips > 0; --flips)
      damaged[0x400 + random() % (damaged.size() - 0x400)] = static_cast<char>(random());
    check(damaged);
  }
}

// The reads under the parser: small ones come from a window read ahead, in any order, across
// its end, and a file that shrank after it was opened still gives what it holds.
TEST(PositionalFile, GivesExactlyTheBytesAskedForWhereverTheyLie) {
  testsupport::TempDir dir;
  std::string bytes(10000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 % 251);
  const std::string path = dir.Write("file.bin", bytes);
  platform::detail::PositionalFile file(path, 1 << 20);
  ASSERT_TRUE(file);
  struct Case {
    std::uint64_t offset, n;
    bool found;
  };
  const auto expect = [&](const Case& c) {
    const auto got = file.Read(c.offset, c.n);
    ASSERT_EQ(got.has_value(), c.found) << c.offset << "+" << c.n;
    if (got) {
      EXPECT_EQ(std::string(got->begin(), got->end()), bytes.substr(c.offset, c.n)) << c.offset << "+" << c.n;
    }
  };
  for (const Case& c : std::initializer_list<Case>{{0, 4, true},
                                                   {4090, 12, true},  // past the first window's end
                                                   {100, 8, true},    // back before the window
                                                   {2000, 6000, true},
                                                   {9996, 4, true},
                                                   {10000, 0, true},
                                                   {9998, 4, false},
                                                   {10001, 0, false}})
    expect(c);
  ASSERT_EQ(truncate(path.c_str(), 6000), 0);
  for (const Case& c : std::initializer_list<Case>{{5000, 16, true}, {5990, 20, false}}) expect(c);
}

}  // namespace
