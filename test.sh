#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under a virtual X server.
set -euo pipefail
NUVA_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$NUVA_ROOT/tools/prepare.sh"

nuva_install_missing
nuva_install_windows_tools
nuva_build
nuva_engine_environment

# Tests never touch the real home: the browser engine and the client keep their data under it.
HOME=$(mktemp -d)
export HOME
trap 'rm -rf "$HOME"' EXIT

cd "$NUVA_ROOT/build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure --timeout 300 "$@"
