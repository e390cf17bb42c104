// The version resource of a typical host file, for the PE writer: two string tables (neutral
// and US English) with a UTF-8 text that the ANSI code page can only partly hold, and a
// fixed version. Shared by the contract and the POSIX version tests.
#pragma once

#include "tools/pe_writer/PeWriter.h"

namespace testsupport {

inline constexpr const char* kFileVersion = "\\StringFileInfo\\000004b0\\FileVersion";

inline pe_writer::PeLayout HostLayout(bool pe32_plus = false) {
  pe_writer::PeLayout layout;
  layout.pe32_plus = pe32_plus;
  layout.fixed_version = {3, 70, 35, 0};
  layout.tables = {{"000004b0", {{"FileVersion", "3, 70, 35, 0"}, {"ProductName", "Veltaro Caf\xC3\xA9 \xE4\xB8\xAD"},
                               {"Empty", ""}, {"OnlyNeutral", "n"}}},
                 {"040904b0", {{"FileVersion", "9.8.7.6"}}}};
  layout.translations = {0x04B00000};
  return layout;
}

}  // namespace testsupport
