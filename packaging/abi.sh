#!/usr/bin/env bash
# The exported ABI of libqx against its committed baseline, packaging/abi/libqx.so.N.abi.gz
# (N: the SONAME's number), read with abigail's abidw and abidiff: every exported symbol (the
# version script keeps them to the public API) with every type it reaches.
#   abi.sh check USR     fails on any difference: a compatible change (an addition) needs a
#                        renewed baseline, an incompatible one a new SONAME number
#                        (QX_ABI_VERSION in CMakeLists.txt) and then a baseline of its own
#   abi.sh renew USR     writes the baseline from the library under USR (a DESTDIR/usr tree)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:?usage: abi.sh check|renew USR} usr=${2:?usage: abi.sh check|renew USR}
library=$(ls "$usr"/lib/*/libqx.so.*.*.* | head -1)
soname=$(objdump -p "$library" | sed -n 's/^ *SONAME *//p')
baseline=packaging/abi/$soname.abi.gz
current=$(mktemp)
trap 'rm -f "$current" "$current.base"' EXIT
if [ "$mode" = renew ]; then
  abidw --no-show-locs --out-file "$current" "$library"
  gzip -9nc "$current" >"$baseline"
  echo "abi: renewed $baseline"
  exit 0
fi
[ -f "$baseline" ] || { echo "abi: no baseline for $soname: packaging/abi.sh renew $usr"; exit 1; }
gzip -dc "$baseline" >"$current.base"
set +e
abidiff --no-show-locs "$current.base" "$library"
status=$?
set -e
# abidiff's status is a set of bits: 1 error, 2 usage, 4 change, 8 incompatible change.
if [ $status -eq 0 ]; then
  echo "abi: $soname matches its baseline"
elif [ $status -ge 16 ] || [ $((status & 3)) -ne 0 ]; then
  echo "abi: abidiff failed ($status)"
  exit 1
elif [ $((status & 8)) -ne 0 ]; then
  echo "abi: an incompatible change to $soname: raise QX_ABI_VERSION (the SONAME) and make its baseline"
  exit 1
elif [ $((status & 4)) -ne 0 ]; then
  echo "abi: $soname changed compatibly: renew the baseline deliberately (packaging/abi.sh renew USR)"
  exit 1
fi
