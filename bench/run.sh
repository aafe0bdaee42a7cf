#!/usr/bin/env bash
# The benchmark in one command: installs what is missing, builds, and runs the client and the floor in turn under a
# virtual X server against the stand-in service. Writes bench/RESULTS.md and bench/startup-timeline.svg.
# Extra arguments go to the driver (for example --runs 9).
set -euo pipefail
NUVA_ROOT=$(cd "$(dirname "$0")/.." && pwd)
source "$NUVA_ROOT/tools/prepare.sh"

NUVA_PACKAGES+=(dbus)
nuva_install_missing
nuva_build -DNUVA_BENCH=ON
nuva_engine_environment

# A session bus, as on a desktop: without one, every program that asks for it pays for the failed attempt.
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" dbus-run-session -- "$NUVA_ROOT/build/bench/nuvabench" \
  --build "$NUVA_ROOT/build" --source "$NUVA_ROOT" \
  --report "$NUVA_ROOT/bench/RESULTS.md" --chart "$NUVA_ROOT/bench/startup-timeline.svg" "$@"
