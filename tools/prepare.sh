# Shared by run.sh and test.sh: installs what is missing and builds. Source it; it changes nothing else.

NUVA_PACKAGES=(
  cmake g++ make pkg-config
  qtbase5-dev qtwebengine5-dev libqt5webchannel5-dev
  libcpp-httplib-dev libxcb1-dev
  xvfb xauth fonts-noto-cjk
)

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

nuva_build() {
  cmake -S "$NUVA_ROOT" -B "$NUVA_ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON >/dev/null
  cmake --build "$NUVA_ROOT/build" -j "$(nproc)"
}

# The browser engine refuses to start as root unless its sandbox is off; only test and demo runs set this.
nuva_engine_environment() {
  if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
  if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
    XDG_RUNTIME_DIR=$(mktemp -d)
    export XDG_RUNTIME_DIR
  fi
}
