#!/usr/bin/env bash
# The Windows checks: cross-compiles the client's Win32 code that needs no Qt, its test programs and the executable's
# resource script for 32-bit Windows, syntax-checks the Windows files that use Qt, then runs the programs under Wine.
# Exits 77 (a skipped test to CTest) when Wine is missing, after compiling everything; never passes without having
# run the programs.
# Usage: windows-check.sh SOURCE_ROOT BUILD_FOLDER
set -euo pipefail
root=$1
build=$2

command -v i686-w64-mingw32-g++ >/dev/null || { echo "i686-w64-mingw32-g++ is missing (g++-mingw-w64-i686)" >&2; exit 1; }
cmake -S "$root/tests/windows" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/tests/windows/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)"
programs=(tst_netbioswalk.exe tst_win32.exe tst_resources.exe)
echo "Compiled for 32-bit Windows: ${programs[*]} (with app/nuvagame.rc)"

# The Windows files that use Qt cannot be built here, for want of Qt for Windows. Compiling them for Windows against
# this machine's Qt headers still catches what would not compile there.
qt_headers=$(pkg-config --variable=includedir Qt5Core)
for file in "$root"/platform/win/*.cpp; do
  i686-w64-mingw32-g++ -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I"$root" \
    -isystem "$qt_headers" -isystem "$qt_headers/QtCore" -isystem "$qt_headers/QtNetwork" "$file"
done
echo "Syntax-checked for Windows against Qt's headers: $(cd "$root" && echo platform/win/*.cpp)"

if ! command -v wine >/dev/null; then
  echo "SKIPPED: Wine is not installed here; the Windows checks were compiled but NOT run."
  exit 77
fi

# A prefix of our own, thrown away afterwards, without the Mono and Gecko installers that would wait for a user.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT

failed=0
for program in "${programs[@]}"; do
  echo "== wine $program"
  wine "$build/$program" || failed=1
done
exit $failed
