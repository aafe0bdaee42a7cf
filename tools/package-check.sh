#!/usr/bin/env bash
# The Debian package, checked the way a Linux desktop meets it: builds it, runs the freedesktop and Debian validators
# on it, then (as root, where nothing else installed it) installs it with dpkg, starts the installed client through
# its menu entry against the stand-in service, waits until its page has talked to the client, and purges the package,
# checking that every file it installed has gone.
#
# Exits 0 when all of that passed, 77 (skipped, to CTest) when the install could not be tried here, after the
# package and its validators passed; otherwise 1.
#
# Usage: package-check.sh BUILD_FOLDER  (run under an X server)
set -euo pipefail
build=$1
work=$(mktemp -d)
service_pid=
dex_pid=
client_pid=
installed_by_us=
cleanup() {
  [ -n "$client_pid" ] && kill "$client_pid" 2>/dev/null || true
  [ -n "$dex_pid" ] && kill "$dex_pid" 2>/dev/null || true
  [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
  [ -n "$installed_by_us" ] && dpkg --purge nuvagame >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$build"/nuvagame_*.deb)
echo "built $(basename "$package")"
dpkg-deb -x "$package" "$work/tree"
desktop-file-validate "$work"/tree/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/tree/usr/share/metainfo/*.metainfo.xml
# Errors fail the check; warnings are listed.
lintian --tag-display-limit 0 --fail-on error "$package"
echo "validators: no errors"

if [ "$(id -u)" -ne 0 ]; then
  echo "not installed: dpkg -i needs root, and this runs as $(id -un)"
  exit 77
fi
if dpkg-query -W -f='${Status}' nuvagame 2>/dev/null | grep -q "install ok installed"; then
  echo "not installed: a nuvagame package is installed already, and this check leaves it alone"
  exit 77
fi
dpkg -i "$package" >/dev/null
installed_by_us=1
dpkg -L nuvagame >"$work/files"

# The installed client asks 127.0.0.1:8081 for everything, like a release.
if (exec 3<>/dev/tcp/127.0.0.1/8081) 2>/dev/null; then
  echo "FAILED: something already listens on 127.0.0.1:8081, so the installed client's page cannot be ours" >&2
  exit 1
fi
"$build/nuvaservice" >"$work/service.log" 2>&1 &
service_pid=$!
for _ in $(seq 50); do grep -q listening "$work/service.log" && break; sleep 0.1; done

# Started as a menu would: the entry's Exec in its Path, in a home and temporary folder of its own.
mkdir -p "$work/home" "$work/tmp"
HOME="$work/home" TMPDIR="$work/tmp" dex -w /usr/share/applications/org.nuvagame.client.desktop \
  >"$work/client.log" 2>&1 &
dex_pid=$!
for _ in $(seq 900); do
  [ -n "$client_pid" ] || client_pid=$(pgrep -P "$dex_pid" -x nuvagame || true)
  grep -q "GET /demo/ready" "$work/service.log" && break
  kill -0 "$dex_pid" 2>/dev/null || break
  sleep 0.1
done
if ! grep -q "GET /demo/ready" "$work/service.log"; then
  echo "FAILED: the installed client's page did not reach the bridge" >&2
  cat "$work/client.log" "$work/service.log" >&2
  exit 1
fi
[ "$(readlink "/proc/$client_pid/exe" 2>/dev/null)" = /usr/lib/nuvagame/nuvagame ] ||
  { echo "FAILED: the menu entry did not start /usr/lib/nuvagame/nuvagame as nuvagame" >&2; exit 1; }
echo "started from its menu entry: /usr/lib/nuvagame/nuvagame, PID $client_pid, page reached the bridge"
kill -TERM "$client_pid"
wait "$dex_pid" || true
dex_pid=
client_pid=

dpkg --purge nuvagame >/dev/null
installed_by_us=
left=()
while read -r path; do
  [ -f "$path" ] || [ -L "$path" ] && left+=("$path")
done <"$work/files"
[ -d /usr/lib/nuvagame ] && left+=(/usr/lib/nuvagame)
if [ ${#left[@]} -gt 0 ]; then
  printf 'FAILED: left after the purge: %s\n' "${left[@]}" >&2
  exit 1
fi
echo "purged: none of its $(wc -l <"$work/files") paths is left"
