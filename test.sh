#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X server: once in the plain build, once built
# with sanitizers. Prints the wall time of each phase. Extra arguments go to every CTest run.
set -euo pipefail
NUVA_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$NUVA_ROOT/tools/prepare.sh"
started=$SECONDS

# clang and its runtime for the fuzz targets; a session bus for the tests; the Debian package's validators and a
# launcher that starts a program from its desktop entry; real desktops: a window manager, a tray host, real X input,
# and a headless Wayland compositor with a VNC server and Qt's Wayland plug-in; what Qt's source needs to build.
NUVA_PACKAGES+=(clang libclang-rt-14-dev dbus-daemon dpkg-dev desktop-file-utils appstream lintian dex
  openbox trayer xdotool sway wayvnc qtwayland5 perl xz-utils)
nuva_phase install nuva_install_missing
nuva_phase "install Windows tools" nuva_install_windows_tools
nuva_phase "Qt for Windows" nuva_windows_qt
nuva_phase build nuva_build
nuva_phase "sanitized build" nuva_build_sanitized
nuva_engine_environment

# Tests never touch the real home: the browser engine and the client keep their data under it.
HOME=$(mktemp -d)
export HOME
trap 'rm -rf "$HOME"; nuva_phase_summary; echo "  all                    $((SECONDS - started)) s"' EXIT

# Two tests at a time: those that share the X server, the test service's address or the viewers hold CTest resource
# locks, so only the others overlap. A session bus, as on a desktop: without one, the tray icon's first look at the
# bus makes libdbus fork an autolaunch helper from a thread of its own, and in a sanitized process that child can
# spin for ever on a lock of the sanitizer's allocator that another thread held at the fork, while the GUI thread waits
# for it inside the tray icon's constructor.
# The screen is unscaled, 96 dpi (Xvfb's own default of 100 would scale every client by 1.04); tests of a scaled
# screen set Xft.dpi on it, which only lasts while the server does not reset.
nuva_ctest() {
  xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96 -noreset" dbus-run-session -- ctest --output-on-failure --timeout 300 -j 2 "$@"
}

# A failing run does not stop the next one, so that the sanitized run reports too; the script fails at the end.
failed=()
plain_tests() { nuva_ctest "$@" || failed+=("plain build"); }
# The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer; any report fails them. The viewer's
# scripted crash must stay a crash (handle_segv=0). The browser engine's own libraries leak at exit (D-Bus, fontconfig,
# the engine), so the tests that run it (label gui) go without LeakSanitizer; all the others run with it. The Windows
# checks and the fuzz targets have sanitizers of their own and are not repeated, nor is the package check, which is
# about the package.
sanitized_tests() {
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  ASAN_OPTIONS=handle_segv=0:detect_leaks=1 nuva_ctest -LE gui -E "^(windows.*|fuzz|package)$" "$@" ||
    failed+=("sanitized build, without the browser engine")
  ASAN_OPTIONS=handle_segv=0:detect_leaks=0 nuva_ctest -L gui "$@" || failed+=("sanitized build, with the browser engine")
}

cd "$NUVA_ROOT/build"
nuva_phase tests plain_tests "$@"
cd "$NUVA_ROOT/build-sanitize"
nuva_phase "sanitized tests" sanitized_tests "$@"

if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
