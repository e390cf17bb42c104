// orvane-reg export and import as a program: round trips in the three file forms, files that
// must change nothing, deletions, and the exit statuses of every command.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/platform/posix/registry_tool_fixture.h"

namespace {

namespace fs = std::filesystem;
using registrytool::RegistryTool;
using registrytool::Result;

class RegistryFile : public RegistryTool {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) const {
    const fs::path path = dir_.path() / name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  // Every key and value below both roots as orvane-reg lists them.
  std::string Everything() const {
    return Run({"list", "HKLM", "-r"}).out + Run({"list", "HKCU", "-r"}).out;
  }

  void UseMachine(const std::string& name) { env_.Set("ORVANE_PREFIX", (dir_.path() / name).c_str()); }
};

// UTF-16LE with a byte-order mark, as the registry editor writes it.
std::string Utf16(const std::u16string& text) {
  std::string out = "\xFF\xFE";
  for (const char16_t c : text) {
    out.push_back(static_cast<char>(c & 0xFF));
    out.push_back(static_cast<char>(c >> 8));
  }
  return out;
}

TEST_F(RegistryFile, ExportThenImportGivesTheSameTreeInEveryForm) {
  const std::vector<std::vector<std::string>> seed = {
      {"add", "HKLM\\Software\\Orvane\\Veltaro Prism\\4.0\\IniFilePath", "-d", "C:\\Prism\\"},
      {"add", "HKLM\\Software\\Orvane\\Veltaro Prism\\4.0", "-v", "Say \"hi\"=", "-d", "a\\\\b \"c\" d=e"},
      {"add", "HKLM\\Software\\Orvane\\Gr\xFC\xDF" "e", "-v", "\xC4rger", "-d", "caf\xE9 \xA3 \x80"},
      {"add", "HKLM\\Software\\Orvane\\Empty", "-v", "nothing", "-d", ""},
      {"add", "HKLM\\Software\\Orvane\\Installer", "-d", "with NUL", "-z"},
      {"add", "HKCU\\Software\\Orvane", "-v", "User", "-d", "alice's"},
  };
  for (const auto& args : seed) ASSERT_EQ(Run(args).code, 0) << args[1];
  const std::string before = Everything();

  for (const char* encoding : {"utf16", "utf8", "regedit4"}) {
    SCOPED_TRACE(encoding);
    UseMachine("machine");
    const std::string file = (dir_.path() / (std::string(encoding) + ".reg")).string();
    ASSERT_EQ(Run({"export", "HKLM", file, "--encoding", encoding}).code, 0);
    const std::string user_file = file + ".user";
    ASSERT_EQ(Run({"export", "HKCU", user_file, "--encoding", encoding}).code, 0);

    UseMachine(std::string("copy-") + encoding);
    const Result imported = Run({"import", file});
    EXPECT_EQ(imported.code, 0) << imported.err;
    EXPECT_EQ(Run({"import", user_file}).code, 0);
    EXPECT_EQ(Everything(), before);
  }
  // The editor's own form: a byte-order mark and its header line in UTF-16LE.
  const std::string utf16 = testsupport::FileContents((dir_.path() / "utf16.reg").string());
  EXPECT_EQ(utf16.substr(0, 2 + 2 * 38), Utf16(u"Windows Registry Editor Version 5.00\r\n"));
}

struct BadFile {
  const char* what;
  std::string bytes;  // after the header line and one good key with a value (lines 1-3)
  std::size_t line;
  const char* reason;
};

TEST_F(RegistryFile, AFileWithAnErrorChangesNothingAndNamesItsLine) {
  const std::string good = "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\Software\\Good]\r\n\"v\"=\"1\"\r\n";
  std::string deep = "[HKEY_LOCAL_MACHINE";
  for (int i = 0; i < 513; ++i) deep += "\\k";
  const std::vector<BadFile> cases = {
      {"unterminated quote", "\"name\"=\"open\r\n", 4, "unterminated quote"},
      {"missing bracket", "[HKEY_LOCAL_MACHINE\\Software\\X\r\n", 4, "missing ']'"},
      {"unknown root", "[HKEY_CLASSES_ROOT\\x]\r\n", 4, "unknown root \"HKEY_CLASSES_ROOT\""},
      {"bad escape", "\"a\"=\"x\\ty\"\r\n", 4, "bad escape \\t"},
      {"other type", "\n\"n\"=dword:00000001\r\n", 5, "has the type dword"},
      {"outside the code page", "\"n\"=\"\xC5\x82\"\r\n", 4, "U+0142 cannot be stored in code page 1252"},
      {"too deep", deep + "]\r\n", 4, "deeper than 512 levels"},
      {"neither key nor value", "garbage\r\n", 4, "neither a [key]"},
      {"broken UTF-8", "\"n\"=\"\xC3\"\r\n", 4, "not valid UTF-8"},
  };
  for (const BadFile& bad : cases) {
    SCOPED_TRACE(bad.what);
    const std::string file = Write("bad.reg", good + bad.bytes);
    const Result result = Run({"import", file});
    EXPECT_EQ(result.code, 2);
    EXPECT_NE(result.err.find(file + ":" + std::to_string(bad.line) + ": "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(bad.reason), std::string::npos) << result.err;
    EXPECT_EQ(Run({"query", "HKLM\\Software\\Good", "-v", "v"}).code, 1) << "the good part was imported";
  }

  const std::vector<BadFile> whole_files = {
      {"value before any key", "REGEDIT4\r\n\r\n\"v\"=\"1\"\r\n", 3, "a value before any [key]"},
      {"truncated UTF-16", Utf16(u"Windows Registry Editor Version 5.00\r\n[HKEY_USERS\\x]\r\n\"a\"=\"b").substr(0, 121),
       3, "cut off"},
      {"no header", "[HKEY_USERS\\x]\r\n", 1, "not a registry file"},
  };
  for (const BadFile& bad : whole_files) {
    SCOPED_TRACE(bad.what);
    const std::string file = Write("bad.reg", bad.bytes);
    const Result result = Run({"import", file});
    EXPECT_EQ(result.code, 2);
    EXPECT_NE(result.err.find(":" + std::to_string(bad.line) + ": "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(bad.reason), std::string::npos) << result.err;
  }
  EXPECT_EQ(Everything(), "HKEY_LOCAL_MACHINE\nHKEY_CURRENT_USER\n") << "nothing of any file was imported";
}

TEST_F(RegistryFile, ImportDeletesTreesAndValuesJoinsLinesAndSkipsOtherTypesWhenAsked) {
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Old\\Deep\\Deeper", "-v", "x", "-d", "1"}).code, 0);
  ASSERT_EQ(Run({"add", "HKLM\\Software\\Keep", "-v", "gone", "-d", "1"}).code, 0);
  const std::string file = Write("changes.reg",
                                 "Windows Registry Editor Version 5.00\n"
                                 "; a comment\n"
                                 "\n"
                                 "[-HKEY_LOCAL_MACHINE\\Software\\Old]\n"
                                 "[HKEY_LOCAL_MACHINE\\Software\\Keep]\n"
                                 "\"gone\"=-\n"
                                 "\"count\"=dword:00000002\n"
                                 "\"path\"=hex(2):25,00,00,00\n"
                                 "\"joined\"=\\\n"
                                 "    \"one line\"\n"
                                 "@=\"default\"\n");
  const Result refused = Run({"import", file});
  EXPECT_EQ(refused.code, 2);
  EXPECT_NE(refused.err.find(":7: the value \"count\" has the type dword"), std::string::npos) << refused.err;

  const Result result = Run({"import", "-", "--skip-other-types"}, {.input = file});
  EXPECT_EQ(result.code, 0) << result.err;
  EXPECT_EQ(result.err,
            "orvane-reg: (standard input):7: the value \"count\" of type dword was left out\n"
            "orvane-reg: (standard input):8: the value \"path\" of type hex(2) was left out\n");
  EXPECT_EQ(Run({"list", "HKLM\\Software", "-r"}).out,
            "HKEY_LOCAL_MACHINE\\Software\n  Keep\\\n\n"
            "HKEY_LOCAL_MACHINE\\Software\\Keep\n  @ = \"default\"\n  \"joined\" = \"one line\"\n");
}

TEST_F(RegistryFile, ExitStatusesTellMissingFromBadUsageAndOptionsOverrideTheEnvironment) {
  ASSERT_EQ(Run({"add", "HKLM\\Software\\A", "-v", "v", "-d", "1"}).code, 0);
  struct Case {
    std::vector<std::string> args;
    int code;
  };
  const std::vector<Case> cases = {
      {{"query", "HKLM\\Software\\A", "-v", "v"}, 0},
      {{"query", "HKLM\\Software\\A", "-v", "missing"}, 1},
      {{"query", "HKLM\\Software\\Missing"}, 1},
      {{"export", "HKLM\\Software\\Missing"}, 1},
      {{"delete", "HKLM\\Software\\Missing", "-r"}, 1},
      {{"import", (dir_.path() / "no such file").string()}, 2},
      {{"query"}, 2},
      {{"query", "HKXX\\Software"}, 2},
      {{"frobnicate", "HKLM"}, 2},
      {{"export", "HKLM", "--encoding", "ebcdic"}, 2},
      {{"export", "--help"}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(Run(c.args).code, c.code) << c.args[0] << " " << c.args.back();
  EXPECT_NE(Run({"import", "--help"}).out.find("--skip-other-types"), std::string::npos);

  const std::string other = (dir_.path() / "other").string();
  ASSERT_EQ(Run({"--prefix", other, "--user", "bob", "add", "HKCU\\Software\\B"}).code, 0);
  EXPECT_EQ(Run({"--prefix", other, "list", "HKU"}).out, "HKEY_USERS\n  bob\\\n");
  EXPECT_EQ(Run({"query", "HKCU\\Software\\B"}).code, 1) << "the environment's machine was changed";
}

}  // namespace
