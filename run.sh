#!/usr/bin/env bash
# Installs what is missing, builds the client and the stand-ins (not the tests), starts the stand-in service and runs
# the client from the build folder. Without a display it runs under a virtual X server, saves a screenshot of the
# loaded page and ends by itself.
#
# With --tls the whole client runs over TLS: a throw-away authority and a certificate for 127.0.0.1 are made in the
# build folder, the client is built for https with that authority pinned, and the service serves that certificate.
set -euo pipefail
NUVA_ROOT=$(cd "$(dirname "$0")" && pwd)
source "$NUVA_ROOT/tools/prepare.sh"
build="$NUVA_ROOT/build"
service_options=()

nuva_install_missing
if [ "${1:-}" = --tls ]; then
  tls="$build/tls"
  "$NUVA_ROOT/tools/make-certificate.sh" authority "$tls" authority
  "$NUVA_ROOT/tools/make-certificate.sh" server "$tls" service 127.0.0.1 "$tls/authority"
  nuva_build_demo -DNUVA_SERVICE_SCHEME=https -DNUVA_SERVICE_CA="$tls/authority.pem"
  service_options=(--cert "$tls/service.pem" --key "$tls/service.key")
else
  nuva_build_demo
fi
nuva_engine_environment

service_log="$build/nuvaservice.log"
if [ ${#service_options[@]} -gt 0 ] && (exec 3<>/dev/tcp/127.0.0.1/8081) 2>/dev/null; then
  echo "A service already listens on 127.0.0.1:8081; stop it first: the client over TLS needs the one started here." >&2
  exit 1
elif (exec 3<>/dev/tcp/127.0.0.1/8081) 2>/dev/null; then
  # Most likely an earlier ./run.sh that is still running: its service serves this client too.
  echo "A service already listens on 127.0.0.1:8081; the client uses that one."
else
  "$build/nuvaservice" "${service_options[@]}" >"$service_log" 2>&1 &
  service_pid=$!
  trap 'kill "$service_pid" 2>/dev/null || true' EXIT

  # The client asks the service for updates before its window opens, so wait until the service listens.
  for _ in $(seq 50); do
    grep -q "listening" "$service_log" && break
    kill -0 "$service_pid" 2>/dev/null || { cat "$service_log" >&2; exit 1; }
    sleep 0.1
  done
fi

cd "$build"
if [ -n "${DISPLAY:-}" ]; then
  ./nuvagame
else
  # 96 dpi, an unscaled screen: Xvfb's own default of 100 would scale the client by 1.04.
  xvfb-run -a -s "-screen 0 960x570x24 -dpi 96" "$NUVA_ROOT/tools/headless-demo.sh" "$build" "$service_log"
fi
