#!/usr/bin/env bash
# Compares the demangled defined dynamic symbols of a shared library with an expected,
# sorted list; prints the difference and fails when they differ.
# Usage: check_exports.sh LIBRARY EXPECTED_LIST
set -euo pipefail
library=$1
expected=$2
actual=$(nm -D --defined-only "$library" | c++filt | sed -E 's/^[0-9a-f]+ [A-Za-z] //' | LC_ALL=C sort -u)
if ! diff -u <(LC_ALL=C sort -u "$expected") <(printf '%s\n' "$actual"); then
  echo "$(basename "$library") exports differ from $expected (- expected, + actual)" >&2
  exit 1
fi
echo "$(basename "$library") exports exactly the $(printf '%s\n' "$actual" | wc -l) expected symbols"
