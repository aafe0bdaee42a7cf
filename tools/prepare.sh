# Shared by run.sh and test.sh: installs what is missing and builds. Source it; it changes nothing else.

NUVA_PACKAGES=(
  cmake g++ make pkg-config
  qtbase5-dev qtbase5-private-dev qtwebengine5-dev libqt5webchannel5-dev
  libcpp-httplib-dev libxcb1-dev libssl-dev openssl
  xvfb xauth fonts-noto-cjk
)

# Runs a step and says how long it took; nuva_phase_summary lists the steps that ended. Under set -e a failing step
# ends the script, as it would without this.
NUVA_PHASES=()
nuva_phase() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  NUVA_PHASES+=("$(printf '%-22s %5d s' "$name" $((SECONDS - start)))")
  echo "== $name: $((SECONDS - start)) s"
}
nuva_phase_summary() {
  [ ${#NUVA_PHASES[@]} -gt 0 ] || return 0
  echo "Wall time of each phase:"
  printf '  %s\n' "${NUVA_PHASES[@]}"
}

nuva_as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

nuva_install_missing() {
  local missing=()
  for package in "${NUVA_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  nuva_as_root apt-get update -qq
  DEBIAN_FRONTEND=noninteractive nuva_as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# For the Windows checks of test.sh: the MinGW-w64 cross compilers for 32-bit and 64-bit Windows and 64-bit Wine,
# which they need, and Wine for 32-bit programs, which runs the 32-bit ones where the machine executes 32-bit programs
# at all (it comes from Debian's i386 packages, and some machines cannot have it).
nuva_install_windows_tools() {
  local missing=()
  command -v i686-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-i686)
  command -v x86_64-w64-mingw32-g++ >/dev/null || missing+=(g++-mingw-w64-x86-64)
  [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    nuva_as_root apt-get update -qq
    DEBIAN_FRONTEND=noninteractive nuva_as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "Installing: wine wine32:i386"
    if ! { nuva_as_root dpkg --add-architecture i386 &&
      nuva_as_root apt-get update -qq &&
      DEBIAN_FRONTEND=noninteractive nuva_as_root apt-get install -y -qq --no-install-recommends wine wine32:i386; }; then
      echo "Wine for 32-bit programs could not be installed: the 32-bit Windows checks will be compiled but not run." >&2
    fi
  fi
}

# Qt for Windows, for the Windows checks: built from Debian's source by tools/qt-windows.sh, once per machine (a cache
# outside the checkout keeps it), for the architecture whose programs run here: i686, the client's target, where this
# machine executes 32-bit programs and has Wine for them; x86_64 otherwise. The cache folder is exported for the
# Windows checks, which look there while the tests run with a home of their own.
nuva_windows_qt() {
  export NUVA_QT_WINDOWS_CACHE=${NUVA_QT_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/nuvagame-build/qt-windows}
  local arch=x86_64
  if /lib/ld-linux.so.2 --version >/dev/null 2>&1 && command -v wine >/dev/null; then arch=i686; fi
  "$NUVA_ROOT/tools/qt-windows.sh" "$arch" >/dev/null
}

# Extra arguments go to CMake's configure step. The benchmark is built only when bench/run.sh asks for it. The tests
# are configured in every case, so that ./run.sh and ./test.sh share one build folder without configuring it anew, and
# so is the plain http of the stand-in service, which ./run.sh --tls alone replaces.
nuva_configure() {
  cmake -S "$NUVA_ROOT" -B "$NUVA_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON -DNUVA_BENCH=OFF \
    -DNUVA_SERVICE_SCHEME=http -DNUVA_SERVICE_CA= "$@" >/dev/null
}

# Everything: the client, the stand-ins, the tests and their helpers.
nuva_build() {
  nuva_configure "$@"
  cmake --build "$NUVA_ROOT/build" -j "$(nproc)"
}

# Only what ./run.sh runs: the client with its pictures, the stand-in service and viewer, and the headless demo's
# screenshot tool. Extra arguments go to CMake's configure step.
nuva_build_demo() {
  nuva_configure "$@"
  cmake --build "$NUVA_ROOT/build" -j "$(nproc)" --target nuvagame nuvaservice nuvaview screenshot
}

# The whole suite once more, built with AddressSanitizer and UndefinedBehaviorSanitizer, in a build folder of its own.
# The benchmark is left out: its bare viewer links statically, which the sanitizers cannot.
nuva_build_sanitized() {
  cmake -S "$NUVA_ROOT" -B "$NUVA_ROOT/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DBUILD_TESTING=ON -DNUVA_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all" >/dev/null
  cmake --build "$NUVA_ROOT/build-sanitize" -j "$(nproc)"
}

# The browser engine refuses to start as root unless its sandbox is off; only test and demo runs set this.
nuva_engine_environment() {
  if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
  fi
}
