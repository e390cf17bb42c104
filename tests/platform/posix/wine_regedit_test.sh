#!/usr/bin/env bash
# Wine's registry tools as the independent reference for orvane-reg's registry files: keys
# written with `wine reg add` and exported with `wine regedit /E` import into our registry
# with the same values; our export imports into Wine with `wine regedit /S` and `wine reg
# query` shows the same values. Exit 77 (skipped) when wine is not installed.
#   wine_regedit_test.sh ORVANE_REG
set -uo pipefail
tool=$1
command -v wine >/dev/null || { echo "skipped: wine is not installed"; exit 77; }
work=$(mktemp -d)
trap 'WINEPREFIX=$work/wine wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
# In the C locale Wine's code pages are 1252 (ANSI) and 437 (OEM, what reg prints into a pipe).
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

key='HKLM\Software\Orvane\Veltaro Prism\4.0'
# name|data: quotes, backslashes, '=', Latin-1 letters, the unnamed value, an empty text.
values=(
  '|C:\Prism\'
  'Path|C:\Program Files\Orvane\Prism\'
  'Say "hi"=|a\\b "c" d=e'
  'Größe|Café £ é'
  'Empty|'
)
reg_add() {  # reg_add NAME DATA
  if [ -z "$1" ]; then wine reg add "$key" /ve /d "$2" /f >/dev/null
  else wine reg add "$key" /v "$1" /d "$2" /f >/dev/null; fi
}
# The text of one value as Wine's reg query prints it ("    NAME    REG_SZ    DATA"), in UTF-8.
wine_query() {  # wine_query NAME
  local out
  if [ -z "$1" ]; then out=$(wine reg query "$key" /ve 2>/dev/null | tr -d '\r' | iconv -f CP437 -t UTF-8)
  else out=$(wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | iconv -f CP437 -t UTF-8); fi
  printf '%s\n' "$out" | sed -n 's/^    .*    REG_SZ    //p; s/^    .*    REG_SZ$//p' | head -1
}
# Our text of one value, in UTF-8.
our_query() {  # our_query PREFIX NAME
  local args=(query "$key")
  [ -n "$2" ] && args+=(-v "$(printf '%s' "$2" | iconv -f UTF-8 -t CP1252)")
  "$tool" --prefix "$1" "${args[@]}" | iconv -f CP1252 -t UTF-8
}

# 1. Wine writes and exports; we import and read.
for entry in "${values[@]}"; do reg_add "${entry%%|*}" "${entry#*|}"; done
wine regedit /E "$work/wine.reg" 'HKEY_LOCAL_MACHINE\Software\Orvane' || fail "wine regedit /E failed"
wineserver -w
"$tool" --prefix "$work/ours" import "$work/wine.reg" || fail "our import of Wine's export failed"
for entry in "${values[@]}"; do
  name=${entry%%|*} data=${entry#*|}
  got=$(our_query "$work/ours" "$name")
  [ "$got" = "$data" ] || fail "Wine's value '$name': we read '$got', Wine wrote '$data'"
done

# 2. We export; Wine imports into a clean key and reads.
wine reg delete 'HKLM\Software\Orvane' /f >/dev/null || fail "wine reg delete failed"
"$tool" --prefix "$work/ours" export 'HKLM\Software\Orvane' "$work/ours.reg" || fail "our export failed"
wine regedit /S "$work/ours.reg" || fail "wine regedit /S of our export failed"
wineserver -w
for entry in "${values[@]}"; do
  name=${entry%%|*} data=${entry#*|}
  got=$(wine_query "$name")
  [ "$got" = "$data" ] || fail "our value '$name': Wine reads '$got', we wrote '$data'"
done

[ $failures -eq 0 ] && echo "passed: ${#values[@]} values agree both ways"
exit $((failures > 0))
