#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X server.
set -euo pipefail
NUVA_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$NUVA_ROOT/tools/prepare.sh"

# clang and its runtime for the fuzz targets.
NUVA_PACKAGES+=(clang libclang-rt-14-dev)
nuva_install_missing
nuva_install_windows_tools
nuva_build
nuva_build_sanitized
nuva_engine_environment

# Tests never touch the real home: the browser engine and the client keep their data under it.
HOME=$(mktemp -d)
export HOME
trap 'rm -rf "$HOME"' EXIT

cd "$NUVA_ROOT/build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 300 "$@"

# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails them. The viewer's
# scripted crash must stay a crash (handle_segv=0). The browser engine's own libraries leak at exit (D-Bus, fontconfig,
# the engine), so the tests that run it go without LeakSanitizer; all the others run with it. The Windows checks and
# the fuzz targets have sanitizers of their own and are not repeated. A sanitized client started as a process of its
# own now and then stalls before its window or page appears (not understood yet), so the tests that start one
# (label client-process) run in the plain build only.
cd "$NUVA_ROOT/build-sanitize"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ASAN_OPTIONS=handle_segv=0:detect_leaks=1 xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --output-on-failure --timeout 300 -LE "gui|client-process" -E "^(windows|fuzz)$" "$@"
ASAN_OPTIONS=handle_segv=0:detect_leaks=0 xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --output-on-failure --timeout 300 -L gui -LE client-process "$@"
