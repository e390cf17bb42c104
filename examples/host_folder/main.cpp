// An example module of the Veltaro family, built against an installed libqx: it reads where
// a host keeps its settings through the settings store, formats a line with QxString, keeps
// the result in a parameter string and hands that on through a memory stream.
//
//   host-folder COMPANY PRODUCT VERSION     prints the parameter string, e.g.
//                                           Folder="/opt/veltaro/prism/";<CR><LF>Line="..."
// Exit status 0 when the setting was found, 1 when not.
#include <cstdio>
#include <cstring>

#include "foundation/Parameter.h"
#include "foundation/QxString.h"
#include "settings/YlRegistry.h"
#include "streams/QxStream.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: host-folder COMPANY PRODUCT VERSION\n");
    return 2;
  }
  YlRegistry store(argv[1], argv[2], argv[3], "YlExample", nullptr);
  QxString folder;
  const int result = store.GetKeyValue(HKEY_LOCAL_MACHINE, "IniFilePath", folder);
  if (result != ylresult::kSuccess) {
    QxString text;
    (void)store.GetErrorText(result, text);
    std::fprintf(stderr, "host-folder: no settings folder (%d: %s)\n", result, static_cast<const char*>(text));
    return 1;
  }

  QxString line;
  line.Format("%s %s keeps its settings in %s", argv[2], argv[3], static_cast<const char*>(folder));
  Parameter parameters;
  parameters.Set("Folder", static_cast<const char*>(folder));
  parameters.Set("Line", static_cast<const char*>(line));

  void* block = nullptr;
  unsigned int size = 0;
  {
    QXMemWrite out(&block, &size);
    const char* text = parameters;
    out.stWrite(const_cast<char*>(text), static_cast<unsigned long>(std::strlen(text)));
  }
  std::fwrite(block, 1, size, stdout);
  std::fputc('\n', stdout);
  delete[] static_cast<unsigned char*>(block);
  return 0;
}
