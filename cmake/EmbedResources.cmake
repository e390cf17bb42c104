# Script mode: writes OUTPUT, a C++ source holding the bytes of every entry in ENTRIES
# ("TYPE|NAME|LANGUAGE|FILE" items joined by commas) and registering them at start-up.
string(REPLACE "," ";" entries "${ENTRIES}")
set(body "")
set(table "")
set(index 0)
foreach(entry IN LISTS entries)
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 type)
  list(GET parts 1 name)
  list(GET parts 2 language)
  list(GET parts 3 file)
  file(READ ${file} hex HEX)
  string(LENGTH "${hex}" hex_length)
  math(EXPR size "${hex_length} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "((0x..,){20})" "\\1\n    " bytes "${bytes}")
  string(APPEND body "alignas(8) const unsigned char kData${index}[${size} + 1] = {\n    ${bytes}0x00};\n")
  string(APPEND table "    {\"${type}\", \"${name}\", ${language}, kData${index}, ${size}},\n")
  math(EXPR index "${index} + 1")
endforeach()
file(WRITE ${OUTPUT}.tmp
"// Generated from resources/ when the project is built; do not edit.
#include \"platform/emulation/resource_table.h\"

namespace {
${body}
const platform::ResourceEntry kEntries[] = {
${table}};
const platform::ResourceRegistration kRegistration(kEntries);
}  // namespace
")
file(COPY_FILE ${OUTPUT}.tmp ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.tmp)
