#!/usr/bin/env bash
# libqx's exported API, checked three ways:
#   check_exports.sh elf LIBRARY EXPECTED_LIST
#       the demangled defined dynamic symbols of libqx.so (nm -D) against EXPECTED_LIST;
#   check_exports.sh pe DLL EXPECTED_LIST OBJDUMP CXXFILT
#       the demangled names of qx.dll's export table (OBJDUMP -p, the target's objdump and
#       c++filt) against EXPECTED_LIST;
#   check_exports.sh same-api ELF_LIST PE_LIST
#       both lists name the same API once the differences below are taken out.
# Each prints the difference and fails when the two sides differ.
#
# What the ELF and the PE list may differ in, and why (same-api):
#   HKEY vs HKEY__*     POSIX declares the handle as our class HKEY; Windows' HKEY is a pointer
#                       to struct HKEY__, and the mangled name carries the underlying type.
#   __va_list_tag* vs char*
#                       va_list: an array of the x86-64 System V ABI's __va_list_tag on Linux,
#                       a char* on Windows (both widths).
#   typeinfo name for X ELF only: MinGW emits the type names as link-once data, not exported
#                       with the class.
#   VTT for YlIRegistry, vtable for IQxObject, vtable for YlIRegistry
#                       PE only: dllexport on a class exports all that the compiler generates
#                       for it; the ELF version script (cmake/qx.map) names the tables it
#                       keeps one by one. Any other name in one list only is a difference.
set -euo pipefail

usage() {
  sed -n '3,9p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

need_file() {
  [ -f "$1" ] || { echo "check_exports.sh: no such file: $1" >&2; exit 2; }
}

sorted() { LC_ALL=C sort -u; }

# compare WHAT EXPECTED_NAME EXPECTED_TEXT ACTUAL_TEXT
compare() {
  local what=$1 expected_name=$2 expected=$3 actual=$4
  if ! diff -u --label "$expected_name" --label "$what" <(printf '%s\n' "$expected") \
       <(printf '%s\n' "$actual"); then
    echo "$what differs from $expected_name (- expected, + actual)" >&2
    exit 1
  fi
  echo "$what: the same $(printf '%s\n' "$actual" | grep -c .) names as $expected_name"
}

# The ELF list's names as the PE list spells them.
elf_as_pe() {
  sed -E -e 's/\bHKEY([,)])/HKEY__*\1/g' -e 's/__va_list_tag\*/char*/g' \
    | grep -v '^typeinfo name for '
}

# The PE list less what only a DLL exports.
pe_without_dll_extras() {
  grep -Ev '^(VTT for YlIRegistry|vtable for IQxObject|vtable for YlIRegistry)$' || true
}

[ $# -ge 3 ] || usage
mode=$1
case $mode in
  elf)
    [ $# -eq 3 ] || usage
    need_file "$2"; need_file "$3"
    actual=$(nm -D --defined-only "$2" | c++filt | sed -E 's/^[0-9a-f]+ [A-Za-z] //' | sorted)
    compare "$(basename "$2") exports" "$3" "$(sorted <"$3")" "$actual"
    ;;
  pe)
    [ $# -eq 5 ] || usage
    need_file "$2"; need_file "$3"
    table=$("$4" -p "$2")
    grep -q '\[Ordinal/Name Pointer\] Table' <<<"$table" \
      || { echo "check_exports.sh: $2 has no export name table" >&2; exit 1; }
    # The name table runs from its heading to the next empty line: "[ordinal] name". Its names
    # have no leading underscore, also where the 32-bit target's symbols have one, so c++filt
    # must not strip one.
    actual=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$table" \
               | sed -nE 's/^[[:space:]]*\[ *[0-9]+\] //p' | "$5" --no-strip-underscore | sorted)
    compare "$(basename "$2") exports" "$3" "$(sorted <"$3")" "$actual"
    ;;
  same-api)
    [ $# -eq 3 ] || usage
    need_file "$2"; need_file "$3"
    compare "$3 (less what only a DLL exports)" "$2 (as PE names)" \
      "$(elf_as_pe <"$2" | sorted)" "$(pe_without_dll_extras <"$3" | sorted)"
    ;;
  *) usage ;;
esac
