// orvane-reg: reads and changes the registry of the emulated machine that ORVANE_PREFIX and
// ORVANE_USER (or --prefix and --user) name; exports keys to ".reg" files and imports them,
// for backing up, moving and seeding machines.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulation/registry_batch.h"
#include "platform/machine.h"
#include "platform/posix/atomic_file.h"
#include "platform/registry.h"
#include "tools/orvane_reg/reg_file.h"
#include "tools/orvane_reg/registry_tree.h"

namespace {

// Exit statuses.
constexpr int kOk = 0;
constexpr int kMissing = 1;   // a key or value is missing
constexpr int kBadInput = 2;  // bad usage, or a file that cannot be read as a registry file
constexpr int kFailed = 3;    // the registry or the file system refused or failed

constexpr const char* kCommonUsage =
    "usage: orvane-reg [--prefix DIR] [--user NAME] COMMAND [ARGUMENTS]   (COMMAND --help for more)\n"
    "  list   KEY [-r]\n"
    "  query  KEY [-v NAME]\n"
    "  add    KEY [-v NAME] [-d DATA] [-z]\n"
    "  delete KEY [-v NAME] [-r]\n"
    "  export KEY [FILE] [--encoding utf16|utf8|regedit4]\n"
    "  import FILE|- [--skip-other-types]\n"
    "  where\n"
    "KEY begins with a root: HKLM, HKCU, HKU or HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,\n"
    "HKEY_USERS; key names are separated by backslashes (quote them in the shell).\n"
    "--prefix DIR: the machine folder (default: $ORVANE_PREFIX); --user NAME: the account\n"
    "(default: $ORVANE_USER). TIDEWELL_DEBUG set: why a machine cannot be used, on stderr.\n"
    "Exit status: 0 done, 1 a key or value is missing, 2 bad usage or input, 3 the registry\n"
    "or a file refused or failed.\n";

const std::map<std::string_view, const char*>& CommandUsage() {
  static const std::map<std::string_view, const char*> usage = {
      {"list", "orvane-reg list KEY [-r]\n  Prints the values and subkeys of KEY; -r: the whole tree below it.\n"},
      {"query", "orvane-reg query KEY [-v NAME]\n  Prints the text value NAME of KEY (default: the unnamed value).\n"},
      {"add",
       "orvane-reg add KEY [-v NAME] [-d DATA] [-z]\n  Creates KEY and its missing parents; -d sets the value NAME\n"
       "  (default: the unnamed one) to DATA; -z stores it with a terminating NUL, as installers do.\n"},
      {"delete",
       "orvane-reg delete KEY [-v NAME] [-r]\n  Deletes the value NAME of KEY, else KEY itself, which must have no\n"
       "  subkeys unless -r is given: then the whole tree, in one step.\n"},
      {"export",
       "orvane-reg export KEY [FILE] [--encoding utf16|utf8|regedit4]\n"
       "  Writes KEY and everything below it as a registry file to FILE (replaced whole), or to\n"
       "  standard output. utf16 (the default): \"Windows Registry Editor Version 5.00\" in UTF-16LE\n"
       "  with a byte-order mark; utf8: the same in UTF-8; regedit4: \"REGEDIT4\" in code page 1252.\n"},
      {"import",
       "orvane-reg import FILE|- [--skip-other-types]\n"
       "  Applies a registry file (- : standard input) in one transaction: with any error nothing\n"
       "  changes, and the error names the file, line and reason. Reads UTF-16LE with a byte-order\n"
       "  mark, UTF-8 and REGEDIT4 files. [key] creates a key, [-key] deletes its tree, \"name\"=\"text\"\n"
       "  and @=\"text\" set values, \"name\"=- deletes one. Values of other types (dword:, hex:, ...)\n"
       "  are errors; --skip-other-types leaves them out and names each.\n"},
      {"where", "orvane-reg where\n  Prints the machine folder and the account.\n"},
  };
  return usage;
}

struct Options {
  std::string command;
  std::vector<std::string> positional;
  const char* value_name = nullptr;
  const char* data = nullptr;
  bool recursive = false;
  bool with_nul = false;
  bool skip_other_types = false;
  regfile::Encoding encoding = regfile::Encoding::kUtf16;
};

const char* ErrorText(long error) {
  switch (error) {
    case platform::kErrorFileNotFound: return "not found";
    case platform::kErrorAccessDenied: return "access denied (a root, or a key with subkeys)";
    case platform::kErrorInvalidHandle: return "invalid handle";
    case platform::kErrorWriteProtect: return "the machine's registry is read-only for this account";
    case platform::kErrorInvalidParameter: return "invalid name (longer than 255 characters, or too deep?)";
    case platform::kErrorBadPathname: return "empty key name in the path";
    case platform::kErrorMoreData: return "more data";
    case platform::kErrorRegistryCorrupt: return "the registry database is damaged";
    case platform::kErrorRegistryIoFailed: return "the registry database cannot be opened or written";
    case platform::kErrorKeyDeleted: return "the key was deleted";
    default: return "error";
  }
}

int Fail(const std::string& what, long error) {
  std::fprintf(stderr, "orvane-reg: %s: %s (%ld)\n", what.c_str(), ErrorText(error), error);
  return error == platform::kErrorFileNotFound ? kMissing : kFailed;
}

int BadUsage(const std::string& what, const char* usage = kCommonUsage) {
  std::fprintf(stderr, "orvane-reg: %s\n%s", what.c_str(), usage);
  return kBadInput;
}

// Splits "HKLM\a\b" into the root and "a\b".
bool SplitKey(const std::string& text, HKEY& root, std::string& path) {
  const std::size_t slash = text.find('\\');
  if (!regfile::ParseRoot(std::string_view(text).substr(0, slash), root)) return false;
  path = slash == std::string::npos ? std::string() : text.substr(slash + 1);
  return true;
}

std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '\0') {
      out += "\\0";
      continue;
    }
    out += c;
  }
  return out + "\"";
}

int List(HKEY root, const std::string& path, const std::string& display, bool recursive) {
  int result = kOk;
  bool first = true;
  const int walked = orvanereg::WalkTree(
      root, path, display, recursive,
      [&](HKEY key, const std::string& shown, const std::vector<std::string>& values) {
        std::printf("%s%s\n", first ? "" : "\n", shown.c_str());
        first = false;
        for (const std::string& name : values) {
          std::string data;
          if (platform::QueryTextValue(key, name.c_str(), data) != platform::kErrorSuccess) continue;
          std::printf("  %s = %s\n", name.empty() ? "@" : Quoted(name).c_str(), Quoted(data).c_str());
        }
        std::vector<std::string> subkeys;
        if (orvanereg::Names(key, true, subkeys) == platform::kErrorSuccess)
          for (const std::string& name : subkeys) std::printf("  %s\\\n", name.c_str());
        return 0;
      },
      [&](const std::string& shown, const char* what, long error) {
        // A key that cannot be read is named and stepped over; the listing goes on.
        const int code = Fail(std::string("cannot ") + what + " " + shown, error);
        if (result == kOk) result = code;
        return 0;
      });
  return walked != kOk ? walked : result;
}

// Writes `bytes` to standard output, or replaces `file` with them whole.
int Deliver(const std::string& bytes, const std::string& file) {
  if (file.empty() || file == "-") {
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() || std::fflush(stdout) != 0) {
      std::fprintf(stderr, "orvane-reg: cannot write to standard output\n");
      return kFailed;
    }
    return kOk;
  }
  const std::string target = platform::detail::WriteTarget(file);
  platform::detail::PathLock lock;
  if (!lock.Acquire(target) || !platform::detail::ReplaceFile(target, bytes)) {
    std::fprintf(stderr, "orvane-reg: cannot write %s (%s)\n", file.c_str(), std::strerror(errno));
    return kFailed;
  }
  return kOk;
}

int Export(HKEY root, const std::string& path, const std::string& display, const Options& options) {
  regfile::Writer writer(options.encoding);
  const int walked = orvanereg::WalkTree(
      root, path, display, true,
      [&](HKEY key, const std::string& shown, const std::vector<std::string>& values) {
        if (!writer.Key(shown)) {
          std::fprintf(stderr, "orvane-reg: the key %s cannot be written: its name holds a line break\n",
                       shown.c_str());
          return kFailed;
        }
        for (const std::string& name : values) {
          std::string data;
          if (const long error = platform::QueryTextValue(key, name.c_str(), data))
            return Fail("cannot read the value " + Quoted(name) + " of " + shown, error);
          if (!writer.Value(name, data)) {
            std::fprintf(stderr,
                         "orvane-reg: the value %s of %s cannot be written as text: it holds a line break or "
                         "a NUL\n",
                         Quoted(name).c_str(), shown.c_str());
            return kFailed;
          }
        }
        return 0;
      },
      // Nothing of an export may be missing: any key that cannot be read ends it, unwritten.
      [&](const std::string& shown, const char* what, long error) {
        return Fail(std::string("cannot ") + what + " " + shown, error);
      });
  if (walked != kOk) return walked;
  return Deliver(writer.Finish(), options.positional.size() > 1 ? options.positional[1] : std::string());
}

int Import(const Options& options) {
  const std::string& file = options.positional[0];
  std::string bytes;
  if (file == "-") {
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) bytes.append(buffer, got);
    if (std::ferror(stdin)) {
      std::fprintf(stderr, "orvane-reg: cannot read standard input\n");
      return kFailed;
    }
  } else {
    const auto status = platform::detail::ReadWholeFile(file, bytes, nullptr, platform::detail::kMaxFileBytes);
    if (status != platform::detail::ReadStatus::kRead) {
      std::fprintf(stderr, "orvane-reg: cannot read %s: %s\n", file.c_str(),
                   status == platform::detail::ReadStatus::kMissing ? "no such file"
                                                                    : "not a readable file of at most 256 MiB");
      return kBadInput;
    }
  }
  const std::string shown = file == "-" ? "(standard input)" : file;
  const regfile::ReadResult read = regfile::Read(bytes, {.skip_other_types = options.skip_other_types});
  if (read.error) {
    std::fprintf(stderr, "orvane-reg: %s:%zu: %s; nothing was imported\n", shown.c_str(), read.error->line,
                 read.error->reason.c_str());
    return kBadInput;
  }
  for (const regfile::Problem& skipped : read.skipped)
    std::fprintf(stderr, "orvane-reg: %s:%zu: %s\n", shown.c_str(), skipped.line, skipped.reason.c_str());
  std::size_t failed = 0;
  if (const long error = platform::ApplyRegistryChanges(read.changes, failed)) {
    const std::string where =
        failed < read.lines.size() ? shown + ":" + std::to_string(read.lines[failed]) : shown;
    std::fprintf(stderr, "orvane-reg: %s: %s (%ld); nothing was imported\n", where.c_str(), ErrorText(error), error);
    return kFailed;
  }
  return kOk;
}

int DeleteKey(HKEY root, const std::string& path, const std::string& display, bool recursive) {
  if (!recursive) {
    const long error = platform::DeleteKey(root, path.c_str());
    return error != platform::kErrorSuccess ? Fail("cannot delete " + display, error) : kOk;
  }
  platform::RegistryKey key;
  if (const long error = platform::OpenKey(root, path.c_str(), platform::KeyAccess::kRead, key))
    return Fail("cannot delete " + display, error);
  key.Close();
  const platform::RegistryChange change{platform::RegistryChange::Kind::kDeleteTree, root, path, {}, {}};
  std::size_t failed = 0;
  const long error = platform::ApplyRegistryChanges({&change, 1}, failed);
  return error != platform::kErrorSuccess ? Fail("cannot delete " + display, error) : kOk;
}

int Run(const Options& options) {
  if (options.command == "where") {
    std::string folder;
    std::printf("machine: %s\naccount: %s\n", platform::MachineFolder(folder) ? folder.c_str() : "(none)",
                platform::AccountName().c_str());
    return kOk;
  }
  if (options.command == "import") return Import(options);

  HKEY root{};
  std::string path;
  if (!SplitKey(options.positional[0], root, path))
    return BadUsage(options.positional[0] + " does not begin with a root");
  const std::string display = path.empty() ? std::string(regfile::RootName(root))
                                           : std::string(regfile::RootName(root)) + "\\" + path;

  if (options.command == "list") return List(root, path, display, options.recursive);
  if (options.command == "export") return Export(root, path, display, options);

  if (options.command == "query") {
    platform::RegistryKey key;
    if (const long error = platform::OpenKey(root, path.c_str(), platform::KeyAccess::kRead, key))
      return Fail("cannot open " + display, error);
    std::string data;
    if (const long error = platform::QueryTextValue(key.get(), options.value_name, data))
      return Fail("cannot read " + display + (options.value_name ? std::string(" ") + options.value_name : ""), error);
    std::fwrite(data.data(), 1, data.size(), stdout);
    std::printf("\n");
    return kOk;
  }

  if (options.command == "add") {
    platform::RegistryKey key;
    if (const long error = platform::CreateKey(root, path.c_str(), key)) return Fail("cannot create " + display, error);
    if (options.data == nullptr) return kOk;
    std::string data = options.data;
    if (options.with_nul) data.push_back('\0');
    if (const long error = platform::SetTextValue(key.get(), options.value_name, data))
      return Fail("cannot set a value of " + display, error);
    return kOk;
  }

  // What remains is "delete".
  if (options.value_name == nullptr) return DeleteKey(root, path, display, options.recursive);
  platform::RegistryKey key;
  if (const long error = platform::OpenKey(root, path.c_str(), platform::KeyAccess::kReadWrite, key))
    return Fail("cannot open " + display, error);
  if (const long error = platform::DeleteValue(key.get(), options.value_name))
    return Fail(std::string("cannot delete the value ") + options.value_name, error);
  return kOk;
}

// How many positional arguments each command takes (at least, at most).
struct Arity {
  std::size_t least, most;
};

Arity ArityOf(std::string_view command) {
  if (command == "where") return {0, 0};
  if (command == "export") return {1, 2};
  return {1, 1};
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    const bool has_next = i + 1 < argc;
    if (arg == "-h" || arg == "--help") {
      help = true;
    } else if ((arg == "--prefix" || arg == "--user") && has_next) {
      // The platform layer reads the machine and the account from the environment.
      setenv(arg == "--prefix" ? "ORVANE_PREFIX" : "ORVANE_USER", argv[++i], 1);
    } else if (arg == "-v" && has_next) {
      options.value_name = argv[++i];
    } else if (arg == "-d" && has_next) {
      options.data = argv[++i];
    } else if (arg == "-r") {
      options.recursive = true;
    } else if (arg == "-z") {
      options.with_nul = true;
    } else if (arg == "--skip-other-types") {
      options.skip_other_types = true;
    } else if (arg == "--encoding" && has_next) {
      const std::string_view name = argv[++i];
      if (name == "utf16") options.encoding = regfile::Encoding::kUtf16;
      else if (name == "utf8") options.encoding = regfile::Encoding::kUtf8;
      else if (name == "regedit4") options.encoding = regfile::Encoding::kRegedit4;
      else return BadUsage("unknown encoding " + std::string(name) + " (utf16, utf8 or regedit4)");
    } else if (arg.starts_with('-') && arg.size() > 1) {
      return BadUsage("unknown option or missing argument: " + std::string(arg));
    } else if (options.command.empty()) {
      options.command = arg;
    } else {
      options.positional.emplace_back(arg);
    }
  }
  if (options.command.empty()) {
    if (help) {
      std::printf("%s", kCommonUsage);
      return kOk;
    }
    return BadUsage("no command given");
  }
  const auto usage = CommandUsage().find(options.command);
  if (usage == CommandUsage().end()) return BadUsage("unknown command " + options.command);
  if (help) {
    std::printf("%s", usage->second);
    return kOk;
  }
  const Arity arity = ArityOf(options.command);
  if (options.positional.size() < arity.least || options.positional.size() > arity.most)
    return BadUsage("wrong number of arguments", usage->second);
  return Run(options);
}
