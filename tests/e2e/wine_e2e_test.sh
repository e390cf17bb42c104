#!/usr/bin/env bash
# End to end on Windows: the real TidewellPlugin.exe under wine in a real X window on a
# virtual display, driven by real key presses, against hosts registered in the wine prefix
# as an installation registers them. read_dialog (run with wine in the same session)
# reads the controls and the message box, and what they show is compared with the
# translation table. Screenshots of the dialog, the update message and the dialog without
# hosts in each language. Exit 77 (skipped) when Xvfb, xdotool or wine are missing.
#   wine_e2e_test.sh PROGRAM SEED_TOOL INSPECTOR TABLE SCREENSHOT_FOLDER
# WINEPREFIX names the prefix; the test owns it while it runs (RUN_SERIAL).
set -uo pipefail
program=$1 seed=$2 reader=$3 table=$4 shots=$5
for tool in Xvfb xdotool wine wineserver winepath; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
for tool in import python3 iconv; do
  command -v "$tool" >/dev/null || { echo "FAILED: $tool is not installed"; exit 1; }
done
: "${WINEPREFIX:?WINEPREFIX must name the wine prefix of the test}"
export WINEDEBUG=${WINEDEBUG:--all}
work=$(mktemp -d)
display=:$((500 + RANDOM % 4000))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
# A wineserver left from programs run without this display would serve ours without it.
wineserver -w
trap 'wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
mkdir -p "$shots"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Without a window manager wine moves the keyboard focus itself only for unmanaged windows.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null || { echo "wine reg failed"; exit 1; }

# The table's display texts, "KEY.Language=text", with line breaks written as \n as the
# dialog reader writes them: a line break of the source and the tabs after it vanish after an
# escaped \n and become one blank elsewhere.
python3 - "$table" >"$work/texts" <<'PY' || { echo "the table cannot be read"; exit 1; }
import re, sys
import xml.etree.ElementTree as ET
sys.stdout.reconfigure(encoding="utf-8")
for entry in ET.parse(sys.argv[1]).getroot():
    for language in entry:
        text = re.sub(r"(\\[nr])?\n\t*(?=.)", lambda m: m.group(1) or " ", language.text or "", flags=re.S)
        print(f"{entry.get('ItemId')}.{language.tag}={text}")
PY
text() { grep -m1 -F "$1.$2=" "$work/texts" | cut -d= -f2-; }

# Host folders below the work folder (the seeding tool's four hosts) and their registry keys
# (IniFilePath, InstallPath) in HKLM, or none.
seed_files() {  # seed_files [--old-first]
  wine "$seed" "$(winepath -w "$work")" --files-only "$@" | tr -d '\r' >"$work/hosts.txt"
  [ "$(wc -l <"$work/hosts.txt")" -eq 4 ]
}
register() {
  local key folder
  while IFS=$'\t' read -r key folder; do
    wine reg add "HKLM\\$key\\IniFilePath" /ve /d "$folder" /f >/dev/null &&
      wine reg add "HKLM\\$key\\InstallPath" /ve /d "$folder" /f >/dev/null || return 1
  done <"$work/hosts.txt"
}
unregister() { wine reg delete 'HKLM\Software\Orvane' /f >/dev/null 2>&1; return 0; }

# Starts the program in a locale and waits for its dialog; sets $pid and $title.
start() {  # start LOCALE LANGUAGE
  title=$(text LUMORA_TITLE "$2")
  LANG=$1 LC_ALL=$1 wine "$program" &
  pid=$!
  for _ in $(seq 150); do
    state >/dev/null && grep -q '^dialog\.' "$work/state" && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.2
  done
  return 1
}
# What the windows captioned $title show (UTF-8), in $work/state and on standard output.
state() { wine "$reader" "$title" 2>/dev/null | tr -d '\r' | iconv -f CP1252 -t UTF-8 >"$work/state" && cat "$work/state"; }
# shows LINE. Read from the file: grep -q stops at the first match and would break a pipe.
shows() { state >/dev/null && grep -qxF "$1" "$work/state"; }
# Waits up to 10 s for a line to appear (or, with !, to vanish).
wait_for() {  # wait_for [!] LINE
  local negate=false
  [ "$1" = "!" ] && { negate=true; shift; }
  for _ in $(seq 50); do
    if shows "$1"; then $negate || return 0; else $negate && return 0; fi
    sleep 0.2
  done
  return 1
}
# Waits up to 10 s for the program to end; true when it ended with exit code 0.
ended() {
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; return $?; fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  return 1
}
# Checks a line of the last state read.
expect() {  # expect LINE WHAT
  grep -qxF "$1" "$work/state" || fail "$2: expected '$1'; the windows show: $(tr '\n' '|' <"$work/state")"
}

hosts=("Veltaro Loom 4" "Veltaro Prism Max 4" "Veltaro Prism Plus 4" "Veltaro Atrium 2")
languages=(en_US.UTF-8:English de_DE.UTF-8:German es_ES.UTF-8:Spanish)

seed_files --old-first && register || { echo "the hosts could not be seeded"; exit 1; }
for entry in "${languages[@]}"; do
  locale=${entry%%:*} language=${entry#*:} tag=${entry%%.*}
  # 1. The dialog with the hosts in order, the first selected; Enter on the first host, too
  #    old, shows the update message and the dialog stays; Escape ends the program.
  seed_files --old-first || fail "the host files could not be written"
  if start "$locale" "$language"; then
    expect "dialog.ok=$(text LUMORA_OK "$language")" "$tag OK"
    expect "dialog.cancel=$(text LUMORA_CANCEL "$language")" "$tag Cancel"
    expect "dialog.status=" "$tag status line"
    expect "dialog.ok.enabled=1" "$tag OK enabled"
    expect "dialog.hosts=${#hosts[@]}" "$tag host count"
    for i in "${!hosts[@]}"; do expect "dialog.host.$i=${hosts[$i]}" "$tag host $i"; done
    expect "dialog.selected=0" "$tag first host selected"
    import -window root "$shots/TidewellPlugin-$tag.png" || fail "no screenshot in $tag"
    xdotool key Return
    update="messagebox.text=$(text LUMORA_VELTARO_UPDATE_VERSION "$language")"
    if wait_for "$update"; then
      import -window root "$shots/TidewellPlugin-update-message-$tag.png" || fail "no screenshot in $tag"
      xdotool key Return  # closes the message box
      wait_for ! "$update" || fail "$tag: the update message did not close"
      kill -0 "$pid" 2>/dev/null && shows "dialog.selected=0" || fail "$tag: the dialog closed after a failed version check"
    else
      fail "$tag: no update message after Enter on an old host; the windows show: $(tr '\n' '|' <"$work/state")"
    fi
    xdotool key Escape
    ended || fail "$tag: Escape did not end the program"
  else
    fail "$tag: the dialog titled '$title' did not appear"
    kill "$pid" 2>/dev/null
  fi

  # 2. Enter on a new enough first host ends the program.
  seed_files || fail "the host files could not be written"
  if start "$locale" "$language"; then
    xdotool key Return
    ended || fail "$tag: Enter on a host newer than 3.20.4.0 did not end the program"
  else
    fail "$tag: the dialog did not appear (new host)"
    kill "$pid" 2>/dev/null
  fi
done

# 3. No host: the not-installed text in the status line, OK disabled; Escape ends it.
unregister
for entry in "${languages[@]}"; do
  locale=${entry%%:*} language=${entry#*:} tag=${entry%%.*}
  if start "$locale" "$language"; then
    expect "dialog.hosts=0" "$tag without hosts: host count"
    expect "dialog.ok.enabled=0" "$tag without hosts: OK disabled"
    expect "dialog.status=$(text LUMORA_VELTARO_NOT_INSTALLED "$language")" "$tag without hosts: status line"
    import -window root "$shots/TidewellPlugin-no-host-$tag.png" || fail "no screenshot in $tag"
    xdotool key Escape
    ended || fail "$tag without hosts: Escape did not end the program"
  else
    fail "$tag: the dialog did not appear (no host)"
    kill "$pid" 2>/dev/null
  fi
done

echo "screenshots in $shots"
[ "$failures" -eq 0 ] && echo "wine e2e: passed" || echo "wine e2e: $failures failure(s)"
exit $((failures > 0))
