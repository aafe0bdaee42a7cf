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

# The page asks the service for /demo/ready once it has read the client through the bridge. The log may be that of
# an earlier run's service, so only a new request counts.
ready_before=$(grep -c "GET /demo/ready" "$service_log" || true)
page_ready() { [ "$(grep -c "GET /demo/ready" "$service_log" || true)" -gt "$ready_before" ]; }
for _ in $(seq 600); do
  page_ready && break
  if ! kill -0 "$client_pid" 2>/dev/null; then
    if wait "$client_pid"; then
      echo "The client ended with exit code 0 before its page loaded: another nuvagame runs on this machine and"
      echo "was asked to show its window, or the service offered an update. See $build/nuvagame.log."
      exit 0
    fi
    echo "the client ended early; see $build/nuvagame.log" >&2
    exit 1
  fi
  sleep 0.1
done
page_ready || { echo "the page did not load within 60 s" >&2; exit 1; }
sleep 1 # let the page paint

"$build/tools/screenshot" "$shot"
echo "Screenshot: $shot"
