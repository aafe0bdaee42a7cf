#!/usr/bin/env bash
# Runs the client on a virtual X server until the demo page has talked to it, then saves a screenshot and stops it.
set -euo pipefail
build=$1
service_log=$2
shot="$build/screenshot.png"

cd "$build"
./nuvagame >"$build/nuvagame.log" 2>&1 &
client_pid=$!
trap 'kill "$client_pid" 2>/dev/null || true' EXIT

# The page asks the service for /demo/ready once it has read the client through the bridge.
for _ in $(seq 600); do
  grep -q "GET /demo/ready" "$service_log" && break
  kill -0 "$client_pid" 2>/dev/null || { echo "the client ended early; see $build/nuvagame.log" >&2; exit 1; }
  sleep 0.1
done
grep -q "GET /demo/ready" "$service_log" || { echo "the page did not load within 60 s" >&2; exit 1; }
sleep 1 # let the page paint

"$build/tools/screenshot" "$shot"
echo "Screenshot: $shot"
