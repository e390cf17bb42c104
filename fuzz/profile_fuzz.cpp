// Feeds arbitrary bytes to the profile functions as an INI file, reads sections and keys
// named by the input into buffers of many sizes, and (for half the inputs) writes into a copy.
//
// Checked: counts stay below the buffer size and end at a NUL, name lists end with two
// NULs, nothing is written outside the buffer (each buffer is its own heap block, so the
// address sanitizer sees every stray byte); a file the cache has seen (rewritten in place
// every run) reads like a file it has never seen; lookups through the index of section headers
// agree with a walk over the lines; a write that succeeds reads back, keeps
// other sections' values and is idempotent; a refused write leaves the file as it was.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/emulation/ansi_case.h"
#include "platform/emulation/ini_document.h"
#include "platform/profile.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

const std::string& Folder() {
  static const std::string folder = [] {
    char name[] = "/tmp/profile-fuzz-XXXXXX";
    Check(mkdtemp(name) != nullptr);
    return std::string(name);
  }();
  return folder;
}

void Store(const std::string& path, std::string_view bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr);
  Check(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
  Check(std::fclose(file) == 0);
}

std::string Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names to ask for: fixed ones and pieces of the input between the characters that shape lines.
std::vector<std::string> Candidates(std::string_view bytes) {
  std::vector<std::string> names = {"", "a", "A", "S", " s ", "k", "[x]", "a]b"};
  std::size_t start = 0;
  for (std::size_t i = 0; i <= bytes.size() && names.size() < 16; ++i) {
    if (i == bytes.size() || std::strchr("\r\n[]=", bytes[i]) != nullptr || bytes[i] == '\0') {
      if (i > start && i - start <= 24) names.emplace_back(bytes.substr(start, i - start));
      start = i + 1;
    }
  }
  return names;
}

// One read into a heap block of exactly `size` bytes; checks the contract and returns the text.
std::string ReadChecked(const char* section, const char* key, const char* fallback, std::uint32_t size,
                        const std::string& file) {
  const std::unique_ptr<char[]> buffer(new char[size]);
  const std::uint32_t count = platform::ReadProfileEntry(section, key, fallback, buffer.get(), size, file.c_str());
  if (size == 0) {
    Check(count == 0);
    return std::string();
  }
  Check(count < size);
  Check(buffer[count] == '\0');
  // A name list ends with two NULs: after its last name, or in the buffer's last two bytes
  // when it was cut.
  if (section == nullptr || key == nullptr)
    Check(size == 1 || (count > 0 && buffer[count - 1] == '\0') || (count + 1 == size - 1 && buffer[count + 1] == '\0') ||
          (count == 0 && buffer[1] == '\0'));
  return std::string(buffer.get(), count);
}

std::string ReadBig(const char* section, const char* key, const std::string& file) {
  return ReadChecked(section, key, "<none>", 1u << 16, file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const unsigned mode = data[0];
  const std::uint8_t* picks = data + 1;
  const std::string_view content(reinterpret_cast<const char*>(data + 4), size - 4);
  const std::vector<std::string> names = Candidates(content);
  const auto pick = [&names](std::uint8_t byte) { return names[byte % names.size()].c_str(); };

  // The cached file is rewritten in place every run; the fresh one is new every run.
  static unsigned run = 0;
  const std::string cached = Folder() + "/cached.ini";
  const std::string fresh = Folder() + "/fresh" + std::to_string(run++ % 2) + ".ini";
  Store(cached, content);
  std::remove(fresh.c_str());
  Store(fresh, content);

  const char* section = pick(picks[0]);
  const char* key = pick(picks[1]);
  for (const std::uint32_t buffer_size : {0u, 1u, 2u, 3u, 8u, 64u}) {
    for (const char* s : {section, static_cast<const char*>(nullptr)}) {
      for (const char* k : {key, static_cast<const char*>(nullptr)}) {
        const std::string a = ReadChecked(s, k, "dflt  ", buffer_size, cached);
        const std::string b = ReadChecked(s, k, "dflt  ", buffer_size, fresh);
        Check(a == b);
      }
    }
  }
  // Lookups through the index of section headers find what a walk over the lines finds: an
  // edited document (one section added at the end) has no index.
  {
    const platform::detail::IniDocument indexed{std::string(content)};
    platform::detail::IniDocument walked{std::string(content)};
    (void)walked.Set("=[=", "k", "v");  // no candidate holds '=' or '['
    for (const std::string& s : names) {
      for (const std::string& k : {std::string(key), std::string("k")}) {
        const auto a = indexed.Find(s, k);
        const auto b = walked.Find(s, k);
        Check(a.has_value() == b.has_value() && (!a || *a == *b));
      }
    }
  }
  if ((mode & 1) == 0) return 0;

  // Writes into a copy of the input.
  const std::string copy = Folder() + "/copy.ini";
  Store(copy, content);
  const char* other_section = pick(picks[2]);
  const std::string other_before = ReadBig(other_section, key, copy);
  const char* values[] = {"v", "x y", "", "a=b", "line\r\nbreak", "trail\n"};
  const char* value = (mode & 2) ? nullptr : values[(mode >> 2) % std::size(values)];
  const char* write_key = (mode & 0x80) ? nullptr : key;
  if (value != nullptr && write_key == nullptr) value = nullptr;

  const bool written = platform::WriteProfileEntry(section, write_key, value, copy.c_str());
  const std::string after = Load(copy);
  if (!written) {
    Check(after == content);
    return 0;
  }
  if (value != nullptr) Check(ReadBig(section, write_key, copy) == value);
  if (write_key != nullptr && value == nullptr) Check(ReadBig(section, write_key, copy) == "<none>");
  if (write_key == nullptr) {
    Check(ReadBig(section, key, copy) == "<none>");
    Check(ReadBig(section, nullptr, copy).empty());
  }
  // Another section is not touched.
  using platform::detail::AnsiEqualNoCase;
  using platform::detail::TrimBlanks;
  if (!AnsiEqualNoCase(TrimBlanks(other_section), TrimBlanks(section)))
    Check(ReadBig(other_section, key, copy) == other_before);
  // Doing it again changes nothing.
  Check(platform::WriteProfileEntry(section, write_key, value, copy.c_str()));
  Check(Load(copy) == after);
  return 0;
}
