#!/usr/bin/env bash
# The Windows checks: cross-compiles the client's Win32 code that needs no Qt, its test programs and the executable's
# resource script for 32-bit Windows (the client's target) and for 64-bit Windows; builds the client's own files with
# Qt for Windows (tools/qt-windows.sh builds that once per machine) for the architecture whose programs run here; then
# runs the programs under Wine: the 64-bit ones under wine64 wherever it runs, the 32-bit ones only where this machine
# executes 32-bit programs at all (some kernels of this kind do not).
#
# Exits 0 when both builds compiled and every program that can run here ran and passed; 77 (a skipped test to CTest)
# when no Wine could run anything, after compiling everything; otherwise 1. It never passes without having run.
#
# Usage: windows-check.sh SOURCE_ROOT BUILD_FOLDER SERVICE [WINE_WINDOW]
# SERVICE is the built stand-in service, which the update check of the Windows programs talks to. WINE_WINDOW is the
# built winewindowcheck (tools/winewindowcheck.cpp), which drives the client's window as a Windows program under Wine.
# NUVA_I386_PROBE names the program whose run tells whether 32-bit programs execute here (by default the 32-bit
# loader); the tests point it at a program that cannot run, to check the branch a machine does not take by itself.
# NUVA_WINDOWS_QT=0 leaves out what is built with Qt for Windows.
set -euo pipefail
root=$1
build=$2
service=$3
wine_window=${4:-}
i386_probe=${NUVA_I386_PROBE:-/lib/ld-linux.so.2}
programs=(tst_netbioswalk.exe tst_win32.exe tst_processes_win.exe tst_resources.exe)
declare -A outcome

# Builds the folder with its compiler's lines kept in a log beside it, so that what ran under Wine leads the output;
# a failed build shows the log's end.
build_quietly() {
  local folder=$1
  cmake --build "$folder" -j "$(nproc)" >"$folder.build.log" 2>&1 ||
    { tail -n 60 "$folder.build.log"; echo "FAILED: the build of $folder"; exit 1; }
}

cross_build() {
  local arch=$1
  command -v "$arch-w64-mingw32-g++" >/dev/null || { echo "$arch-w64-mingw32-g++ is missing" >&2; exit 1; }
  cmake -S "$root/tests/windows" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$root/tests/windows/mingw-$arch.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  build_quietly "$build/$arch"
  outcome[$arch]="compiled ${programs[*]} (with app/nuvagame.rc)"
}

cross_build i686
cross_build x86_64

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

# The client's own files with Qt for Windows, built from Debian's source for the architecture whose programs run here
# (the client's target, i686, where this machine executes 32-bit programs) and kept in a cache (tools/qt-windows.sh):
# every file of the client compiled, engine/ against this machine's engine headers (Qt WebEngine exists for MSVC
# only), everything else linked into Windows programs, the client itself with a plain page. The run that stands in for a machine
# without 32-bit programs leaves them to the plain run (NUVA_WINDOWS_QT=0).
if [ -z "${why_not_i686:-}" ]; then qt_arch=i686; else qt_arch=x86_64; fi
if [ "${NUVA_WINDOWS_QT:-1}" = 0 ]; then
  qt_outcome="not part of this run"
elif [ "$qt_arch" = x86_64 ] && [ -n "${why_not_x86_64:-}" ]; then
  qt_outcome="not built: no Wine runs here"
  qt_arch=
else
  qt_prefix=$("$root/tools/qt-windows.sh" "$qt_arch" | tail -n 1)
  engine_headers=$(pkg-config --variable=includedir Qt5Core)
  # The TLS update check pins one authority and meets a certificate of it and one of another.
  tls="$build/qt-$qt_arch-tls"
  [ -f "$tls/authority.pem" ] || "$root/tools/make-certificate.sh" authority "$tls" authority
  [ -f "$tls/other.pem" ] || "$root/tools/make-certificate.sh" authority "$tls" other
  "$root/tools/make-certificate.sh" server "$tls" pinned 127.0.0.1 "$tls/authority"
  "$root/tools/make-certificate.sh" server "$tls" stranger 127.0.0.1 "$tls/other"
  # The chains and names of tests/support/certificatecases.h, for the page's certificate decision; and a chain for the
  # update check of the "system" authority among them, which that decision's test puts into the prefix's roots.
  rm -rf "$tls/cases"
  "$root/tools/make-certificate.sh" cases "$tls/cases" "$tls/authority" 127.0.0.2
  "$root/tools/make-certificate.sh" server "$tls" system 127.0.0.1 "$tls/cases/system"
  cmake -S "$root" -B "$build/qt-$qt_arch" -DCMAKE_TOOLCHAIN_FILE="$root/tests/windows/mingw-$qt_arch.cmake" \
    -DCMAKE_PREFIX_PATH="$qt_prefix" -DCMAKE_BUILD_TYPE=Release -DNUVA_WINDOWS_CHECKS=ON \
    -DNUVA_ENGINE_HEADERS="$engine_headers" -DNUVA_WINDOWS_TLS_AUTHORITY="$tls/authority.pem" >/dev/null
  build_quietly "$build/qt-$qt_arch"
  qt_outcome="compiled every file of app/ api/ bridge/ engine/ window/ single_instance/ platform/ (Windows) with Qt for Windows but the engine module's loader and entry (this Qt has no OpenGL, which the engine needs), engine/ against this machine's engine headers; the rest linked into nuvagame.exe (the client with a plain page), tst_windows_qt.exe, nuvaguard.exe, nuvaupdate.exe, nuvaupdate_tls.exe and windowprobe.exe"
fi

# One prefix of our own for both, thrown away afterwards, without the Mono and Gecko installers that would wait for
# a user. Made by wine64 where that runs, it holds 64-bit and (where they run) 32-bit programs alike.
WINEPREFIX=$(mktemp -d)
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX" "$WINEPREFIX.log"' EXIT

failed=0
ran=0
# Runs every program of one build under one loader. A program passes only when it exits with 0 and its own last
# line counts at least one passed case and no failed one: a loader that gives up silently must not look like a pass.
# With --qtest, the programs are QtTest programs: built for Windows, those write their results to the debugger's
# channel unless told to use a file, which then becomes part of the log.
run_under() {
  local key=$1 folder=$2 loader=$3 passed=0 program log totals arguments=() results=
  shift 3
  if [ "$1" = --qtest ]; then
    shift
    results=$(mktemp)
    arguments=(-o "Z:$results,txt")
  fi
  for program in "$@"; do
    echo "== $loader $folder/$program"
    # Into a file: Wine's own background programs (its desktop, started with a program's first window) keep the
    # output they inherit open, and a pipe would never end.
    (cd "$folder" && "$loader" "./$program" "${arguments[@]}" >"$WINEPREFIX.log" 2>&1) && status=0 || status=$?
    log=$(cat "$WINEPREFIX.log")
    [ -n "$results" ] && log+=$'\n'$(cat "$results")
    echo "$log"
    last_log=$log
    totals=$(grep -Eo 'Totals: [0-9]+ passed, [0-9]+ failed' <<<"$log" | tail -n 1 || true)
    if [ "$status" -ne 0 ] || ! [[ $totals =~ ([0-9]+)\ passed,\ 0\ failed ]] || [ "${BASH_REMATCH[1]}" -eq 0 ]; then
      echo "FAILED: $folder/$program under $loader (exit status $status)"
      failed=1
      outcome[$key]+="; run under $loader: $program FAILED"
      [ -z "$results" ] || rm -f "$results"
      return
    fi
    passed=$((passed + BASH_REMATCH[1]))
  done
  [ -z "$results" ] || rm -f "$results"
  ran=1
  outcome[$key]+="; run under $loader: $passed passed"
}

if [ -z "${why_not_x86_64:-}" ]; then
  run_under x86_64 "$build/x86_64" "$wine64_loader" "${programs[@]}"
else
  outcome[x86_64]+="; not run: $why_not_x86_64"
fi
if [ -z "${why_not_i686:-}" ]; then
  run_under i686 "$build/i686" wine "${programs[@]}"
else
  outcome[i686]+="; not run: $why_not_i686"
fi
# The update check as a Windows program against the stand-in service on 127.0.0.1:8081: no prompt when "data" is
# empty; for an offered download the prompt "更新提示", dismissed with Escape, the address handed to the desktop (Wine
# hands it to xdg-open, here a recording stand-in) and exit code 0.
update_check_under() {
  local folder=$1 loader=$2 work log status window
  work=$(mktemp -d)
  mkdir "$work/bin"
  printf '#!/bin/sh\nprintf "%%s\\n" "$1" >> "%s/opened"\n' "$work" >"$work/bin/xdg-open"
  chmod +x "$work/bin/xdg-open"
  for offer in "" "http://127.0.0.1:8081/download/nuvagame-setup.exe"; do
    "$service" --port 8081 ${offer:+--offer-update "$offer"} >"$work/service.log" 2>&1 &
    service_pid=$!
    for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/8081) 2>/dev/null && break; sleep 0.1; done
    (cd "$folder" && PATH=$work/bin:$PATH exec timeout 120 "$loader" ./nuvaupdate.exe >"$work/update.log" 2>&1) &
    update_pid=$!
    if [ -n "$offer" ]; then
      # Only a mapped prompt can take the focus: Wine names its window before it maps it, and a focus asked for in
      # between fails (BadMatch) and leaves the prompt waiting.
      window=$(timeout 60 xdotool search --sync --onlyvisible --name '^更新提示$' | head -n 1 || true)
      # No window manager here: the prompt is given the focus directly, and the key comes as real input.
      [ -n "$window" ] && xdotool windowfocus --sync "$window" sleep 0.5 key Escape
    fi
    status=0
    wait "$update_pid" || status=$?
    # Wine hands the address on through its own browser helper, which may still be on its way.
    if [ -n "$offer" ]; then
      for _ in $(seq 100); do grep -qx "$offer" "$work/opened" 2>/dev/null && break; sleep 0.1; done
    fi
    kill "$service_pid"
    wait "$service_pid" || true
    if [ -z "$offer" ] && { [ "$status" -ne 0 ] || ! grep -q "no update" "$work/update.log"; }; then
      echo "FAILED: without an offer the update check did not go on (exit status $status)"
      cat "$work/update.log"
      rm -rf "$work"
      return 1
    fi
    if [ -n "$offer" ] && { [ -z "$window" ] || [ "$status" -ne 0 ] || grep -q "no update" "$work/update.log" ||
      ! grep -qx "$offer" "$work/opened" 2>/dev/null; }; then
      echo "FAILED: the offered update (prompt ${window:-not found}, exit status $status, opened: $(cat "$work/opened" 2>/dev/null))"
      cat "$work/update.log"
      rm -rf "$work"
      return 1
    fi
  done
  rm -rf "$work"
  echo "update check: no prompt without an offer; the offer's prompt dismissed with Escape, its address opened, exit 0"
}

# The update check over TLS, pinned to one authority: a certificate of it is answered; one of another authority, and
# one of an authority that Windows trusts (tst_windows_qt.exe, run before in this prefix, put it into the user's
# roots), are refused before any request reaches the service; the start goes on (no offer) with exit code 0 each time.
tls_update_check_under() {
  local folder=$1 loader=$2 work status certificate requests
  work=$(mktemp -d)
  for certificate in pinned stranger system; do
    "$service" --port 8081 --cert "$tls/$certificate.pem" --key "$tls/$certificate.key" >"$work/service.log" 2>&1 &
    service_pid=$!
    for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/8081) 2>/dev/null && break; sleep 0.1; done
    status=0
    (cd "$folder" && exec timeout 120 "$loader" ./nuvaupdate_tls.exe >"$work/update.log" 2>&1) || status=$?
    kill "$service_pid"
    wait "$service_pid" || true
    requests=$(grep -c "GET /gpfe/api/clientversion" "$work/service.log" || true)
    if [ "$status" -ne 0 ] || ! grep -q "no update" "$work/update.log" ||
      { [ "$certificate" = pinned ] && [ "$requests" -ne 1 ]; } ||
      { [ "$certificate" != pinned ] && [ "$requests" -ne 0 ]; }; then
      echo "FAILED: the update check over TLS with the $certificate certificate (exit status $status, $requests requests)"
      cat "$work/update.log" "$work/service.log"
      rm -rf "$work"
      return 1
    fi
  done
  rm -rf "$work"
  echo "update check over TLS: the pinned authority's certificate answered, another's and the system's refused, exit 0"
}

# The client's window as a Windows program (nuvagame.exe, with a plain page where the engine would be) under Wine,
# beside a real tray host, driven by real input: winewindowcheck, a Linux program, names its behaviours as it goes.
window_check_under() {
  local folder=$1 loader=$2 results log passed
  results=$(mktemp)
  NUVA_WINE_LOADER=$loader NUVA_WINE_PROGRAMS=$folder "$wine_window" -o "$results,txt" >"$WINEPREFIX.log" 2>&1 &&
    status=0 || status=$?
  log=$(cat "$results" "$WINEPREFIX.log")
  rm -f "$results"
  echo "$log"
  passed=$(grep -cE '^PASS   : TestWineWindow::[a-z][A-Za-z0-9]*\(\)$' <<<"$log" | tr -d ' ' || true)
  passed=$((passed - $(grep -cE 'TestWineWindow::(initTestCase|cleanupTestCase)' <<<"$log" || true)))
  if [ "$status" -ne 0 ] || grep -q '^FAIL' <<<"$log" || [ "$passed" -le 0 ]; then
    echo "FAILED: the client's window under Wine (exit status $status)"
    return 1
  fi
  window_passed=$passed
}

outcome[qt]=$qt_outcome
if [ -n "${qt_prefix:-}" ]; then
  if [ "$qt_arch" = i686 ]; then qt_loader=wine; else qt_loader=$wine64_loader; fi
  export NUVA_TLS_CASES="Z:$tls/cases"
  run_under qt "$build/qt-$qt_arch" "$qt_loader" --qtest tst_windows_qt.exe
  decided=$(grep -c '^PASS   : TestWindowsQt::thePagesCertificateDecision(' <<<"${last_log:-}" || true)
  outcome[qt]+="; the page's certificate decision: $decided passed"
  if update_check_under "$build/qt-$qt_arch" "$qt_loader"; then
    outcome[qt]+="; the update check's 2 cases passed"
  else
    failed=1
    outcome[qt]+="; the update check FAILED"
  fi
  if tls_update_check_under "$build/qt-$qt_arch" "$qt_loader"; then
    outcome[qt]+="; over TLS its 3 cases passed"
  else
    failed=1
    outcome[qt]+="; over TLS it FAILED"
  fi
  if [ -z "$wine_window" ]; then
    outcome[qt]+="; the client's window under Wine: not part of this run"
  elif window_check_under "$build/qt-$qt_arch" "$qt_loader"; then
    outcome[qt]+="; the client's window under Wine: $window_passed passed"
  else
    failed=1
    outcome[qt]+="; the client's window under Wine FAILED"
  fi
fi

echo "What ran:"
echo "  i686 (32-bit Windows): ${outcome[i686]}"
echo "  x86_64 (64-bit Windows): ${outcome[x86_64]}"
echo "  Qt for Windows${qt_arch:+ ($qt_arch)}: ${outcome[qt]}"
if [ "$failed" -ne 0 ]; then exit 1; fi
if [ "$ran" -eq 0 ]; then
  echo "SKIPPED: no Wine can run here; the Windows checks were compiled but NOT run."
  exit 77
fi
