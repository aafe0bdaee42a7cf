#!/usr/bin/env bash
# The Windows checks: cross-compiles the client's Win32 code that needs no Qt, its test programs and the executable's
# resource script for 32-bit Windows (the client's target) and for 64-bit Windows, syntax-checks the Windows files
# that use Qt, then runs the programs under Wine: the 64-bit ones under wine64 wherever it runs, the 32-bit ones only
# where this machine executes 32-bit programs at all (some kernels of this kind do not).
#
# Exits 0 when both builds compiled and every program that can run here ran and passed; 77 (a skipped test to CTest)
# when no Wine could run anything, after compiling everything; otherwise 1. It never passes without having run.
#
# Usage: windows-check.sh SOURCE_ROOT BUILD_FOLDER
# NUVA_I386_PROBE names the program whose run tells whether 32-bit programs execute here (by default the 32-bit
# loader); the tests point it at a program that cannot run, to check the branch a machine does not take by itself.
set -euo pipefail
root=$1
build=$2
i386_probe=${NUVA_I386_PROBE:-/lib/ld-linux.so.2}
programs=(tst_netbioswalk.exe tst_win32.exe tst_processes_win.exe tst_resources.exe)
declare -A outcome

cross_build() {
  local arch=$1
  command -v "$arch-w64-mingw32-g++" >/dev/null || { echo "$arch-w64-mingw32-g++ is missing" >&2; exit 1; }
  cmake -S "$root/tests/windows" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/tests/windows/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build/$arch" -j "$(nproc)"
  outcome[$arch]="compiled ${programs[*]} (with app/nuvagame.rc)"
}

cross_build i686
cross_build x86_64

# The Windows files that use Qt cannot be built here, for want of Qt for Windows. Compiling them for Windows against
# this machine's Qt headers still catches what would not compile there.
qt_headers=$(pkg-config --variable=includedir Qt5Core)
for file in "$root"/platform/win/*.cpp; do
  i686-w64-mingw32-g++ -std=c++17 -fsyntax-only -Wall -Wextra -Werror -I"$root" \
    -isystem "$qt_headers" -isystem "$qt_headers/QtCore" -isystem "$qt_headers/QtNetwork" "$file"
done
echo "Syntax-checked for 32-bit Windows against Qt's headers: $(cd "$root" && echo platform/win/*.cpp)"

# Which Wine can run here, found out by running it. Each sets why_not_ARCH when it cannot.
wine64_loader=$(command -v wine64 || echo /usr/lib/wine/wine64)
if [ ! -x "$wine64_loader" ]; then
  why_not_x86_64="wine64 is not installed"
elif ! error=$("$wine64_loader" --version 2>&1 >/dev/null); then
  why_not_x86_64="wine64 does not start ($error)"
fi
if ! error=$("$i386_probe" --version 2>&1 >/dev/null); then
  why_not_i686="this machine cannot execute 32-bit programs ($i386_probe: ${error##*: })"
elif ! command -v wine >/dev/null; then
  why_not_i686="Wine for 32-bit programs (wine32) is not installed"
elif ! error=$(wine --version 2>&1 >/dev/null); then
  why_not_i686="wine does not start ($error)"
fi

# One prefix of our own for both, thrown away afterwards, without the Mono and Gecko installers that would wait for
# a user. Made by wine64 where that runs, it holds 64-bit and (where they run) 32-bit programs alike.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT

failed=0
ran=0
# Runs every program of one build under one loader. A program passes only when it exits with 0 and its own last
# line counts at least one passed case and no failed one: a loader that gives up silently must not look like a pass.
run_under() {
  local arch=$1 loader=$2 passed=0 program log totals
  for program in "${programs[@]}"; do
    echo "== $loader $arch/$program"
    log=$("$loader" "$build/$arch/$program" 2>&1) && status=0 || status=$?
    echo "$log"
    totals=$(grep -Eo 'Totals: [0-9]+ passed, [0-9]+ failed' <<<"$log" | tail -n 1 || true)
    if [ "$status" -ne 0 ] || ! [[ $totals =~ ([0-9]+)\ passed,\ 0\ failed ]] || [ "${BASH_REMATCH[1]}" -eq 0 ]; then
      echo "FAILED: $arch/$program under $loader (exit status $status)"
      failed=1
      outcome[$arch]+="; run under $loader: $program FAILED"
      return
    fi
    passed=$((passed + BASH_REMATCH[1]))
  done
  ran=1
  outcome[$arch]+="; run under $loader: $passed passed"
}

if [ -z "${why_not_x86_64:-}" ]; then run_under x86_64 "$wine64_loader"; else outcome[x86_64]+="; not run: $why_not_x86_64"; fi
if [ -z "${why_not_i686:-}" ]; then run_under i686 wine; else outcome[i686]+="; not run: $why_not_i686"; fi

echo "What ran:"
echo "  i686 (32-bit Windows): ${outcome[i686]}"
echo "  x86_64 (64-bit Windows): ${outcome[x86_64]}"
if [ "$failed" -ne 0 ]; then exit 1; fi
if [ "$ran" -eq 0 ]; then
  echo "SKIPPED: no Wine can run here; the Windows checks were compiled but NOT run."
  exit 77
fi
