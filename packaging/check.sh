#!/usr/bin/env bash
# The packages as a user of them gets them, without changing this machine:
#  1. scripts/package builds libqx1, libqx-dev and tidewell and lintian finds no error;
#  2. libqx.so.1 carries its SONAME;
#  3. the packages are unpacked (dpkg-deb -x) into a throwaway folder, and so is a plain
#     `cmake --install` into a temporary prefix; in both, every public header compiles alone
#     and the example module (examples/host_folder) is built once through the CMake package
#     and once through pkg-config and run against a registry made by the packaged orvane-reg;
#  4. the exported ABI equals the committed baseline (packaging/abi), read by abidiff.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/package
build=build/package
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Outputs are taken whole before grep -q reads them: grep stops at the first match, and under
# pipefail the writer's broken pipe would fail the check now and then.
headers=$(objdump -p "$build/libqx.so.1.0.0")
grep -q 'SONAME *libqx\.so\.1$' <<<"$headers" ||
  { echo "check: libqx.so.1.0.0 has no SONAME libqx.so.1"; exit 1; }
echo "check: SONAME libqx.so.1"

for deb in "$build"/packages/*.deb; do dpkg-deb -x "$deb" "$work/unpacked"; done
DESTDIR="$work/installed" cmake --install "$build" >/dev/null
multiarch=$(gcc -print-multiarch)
expected='Folder="/opt/veltaro/prism/";
Line="Veltaro Prism 4.0 keeps its settings in /opt/veltaro/prism/";'

for tree in unpacked installed; do
  usr=$work/$tree/usr
  lib=$usr/lib/$multiarch
  for header in $(cd "$usr/include/tidewell" && find . -name '*.h' | sort); do
    echo "#include \"${header#./}\"" | g++ -std=c++20 -fsyntax-only -Wall -Werror -I"$usr/include/tidewell" -x c++ - ||
      { echo "check ($tree): $header does not compile alone"; exit 1; }
  done
  cmake -S examples/host_folder -B "$work/$tree-cmake" -DCMAKE_PREFIX_PATH="$usr" >/dev/null
  cmake --build "$work/$tree-cmake" >/dev/null
  # shellcheck disable=SC2046
  g++ -o "$work/$tree-pkgconfig" examples/host_folder/main.cpp \
      $(PKG_CONFIG_PATH="$lib/pkgconfig" pkg-config --cflags --libs qx)
  machine=$work/$tree-machine
  "$work/unpacked/usr/bin/orvane-reg" --prefix "$machine" --user check \
      add 'HKLM\Software\Orvane\Veltaro Prism\4.0\IniFilePath' -d /opt/veltaro/prism/
  for program in "$work/$tree-cmake/host-folder" "$work/$tree-pkgconfig"; do
    got=$(LD_LIBRARY_PATH=$lib ORVANE_PREFIX=$machine ORVANE_USER=check "$program" Orvane "Veltaro Prism" 4.0 | tr -d '\r')
    [ "$got" = "$expected" ] || { echo "check ($tree): $program printed '$got'"; exit 1; }
    libraries=$(LD_LIBRARY_PATH=$lib ldd "$program")
    grep -q "libqx.so.1 => $lib/" <<<"$libraries" ||
      { echo "check ($tree): $program does not use the packaged libqx.so.1"; exit 1; }
  done
  echo "check ($tree): headers alone, the example through CMake and pkg-config"
done

packaging/abi.sh check "$work/installed/usr"
