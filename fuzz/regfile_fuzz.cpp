// Registry files of any bytes: reading never fails other than with a line and a reason, and
// a file that reads as keys and text values reads the same once written again, in each of the
// three forms.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tools/orvane_reg/reg_file.h"

namespace {

bool Same(const platform::RegistryChange& a, const platform::RegistryChange& b) {
  return a.kind == b.kind && a.root == b.root && a.path == b.path && a.name == b.name && a.data == b.data;
}

// Writes the changes again when they are keys and values only; empty when they are not.
std::string Rewrite(const regfile::ReadResult& read, regfile::Encoding encoding) {
  using Kind = platform::RegistryChange::Kind;
  regfile::Writer writer(encoding);
  for (const platform::RegistryChange& change : read.changes) {
    if (change.kind == Kind::kCreateKey) {
      const std::string path =
          std::string(regfile::RootName(change.root)) + (change.path.empty() ? "" : "\\" + change.path);
      if (!writer.Key(path)) return {};
    } else if (change.kind != Kind::kSetValue || !writer.Value(change.name, change.data)) {
      return {};
    }
  }
  return writer.Finish();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const regfile::ReadResult read = regfile::Read(bytes, {.skip_other_types = size % 2 == 0});
  if (read.error) {
    if (!read.changes.empty() || read.error->line == 0 || read.error->reason.empty()) std::abort();
    return 0;
  }
  if (read.lines.size() != read.changes.size()) std::abort();
  for (const auto encoding : {regfile::Encoding::kUtf16, regfile::Encoding::kUtf8, regfile::Encoding::kRegedit4}) {
    const std::string again = Rewrite(read, encoding);
    if (again.empty()) return 0;
    const regfile::ReadResult reread = regfile::Read(again, {});
    if (reread.error || reread.changes.size() != read.changes.size()) std::abort();
    for (std::size_t i = 0; i < read.changes.size(); ++i)
      if (!Same(read.changes[i], reread.changes[i])) std::abort();
  }
  return 0;
}
