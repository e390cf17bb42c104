#!/usr/bin/env bash
# End to end: the real tidewell program in a real X window on a virtual display, driven by
# real key presses, against a seeded machine. Saves screenshots of the dialog in the five
# languages of its table. Exit 77 (skipped) when the tools for it are missing.
#   e2e_test.sh TIDEWELL SEED_TOOL SCREENSHOT_FOLDER
set -uo pipefail
program=$1 seed=$2 shots=$3
for tool in Xvfb xdotool import; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
display=:$((500 + RANDOM % 4000))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display ORVANE_USER=e2e
# In sanitizer builds every run ends with a leak check; only leaks of our own count.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
for _ in $(seq 100); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
mkdir -p "$shots"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

# Starts the program on a freshly seeded machine; sets $pid and $window.
start() {  # start LOCALE [SEED_OPTION]
  rm -rf "$work/machine" "$work/hosts"
  ORVANE_PREFIX=$work/machine "$seed" "$work" ${2:-} >/dev/null || return 1
  ORVANE_PREFIX=$work/machine LC_ALL=$1 "$program" &
  pid=$!
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "Veltaro Lumora" | head -1)
  [ -n "$window" ] || return 1
  sleep 0.3  # let it paint before keys and screenshots
}

# Waits up to 10 s for the program to end; true when it did, with exit code 0.
ended() {
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; return $?; fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  return 1
}

windows() { xdotool search --onlyvisible --name "Veltaro Lumora" 2>/dev/null | wc -l; }

# 1. Enter on a new enough first host confirms and ends the program.
if start en_US.UTF-8; then
  xdotool key Return
  ended || fail "Enter on a host newer than 3.20.4.0 did not end the program"
else
  fail "the dialog did not appear"
fi

# 2. Enter on an old first host shows the update box and the dialog stays; Escape ends it.
if start en_US.UTF-8 --old-first; then
  xdotool key Return
  for _ in $(seq 50); do [ "$(windows)" -ge 2 ] && break; sleep 0.1; done
  [ "$(windows)" -ge 2 ] || fail "no update message box"
  import -window root "$shots/tidewell-update-message.png"
  xdotool key Return  # closes the message box
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "the dialog closed after a failed version check"
  xdotool key Escape
  ended || fail "Escape did not end the program"
else
  fail "the dialog did not appear (old first host)"
fi

# 3. The dialog in each language of the table, closed with Escape.
for locale in en_US de_DE fr_FR it_IT es_ES; do
  if start "$locale.UTF-8"; then
    import -window "$window" "$shots/tidewell-$locale.png" || fail "no screenshot in $locale"
    xdotool key Escape
    ended || fail "Escape did not end the program in $locale"
  else
    fail "the dialog did not appear in $locale"
  fi
done

echo "screenshots in $shots"
[ "$failures" -eq 0 ] && echo "e2e: 1 passed, 0 failed" || echo "e2e: 0 passed, 1 failed"
exit $((failures > 0))
