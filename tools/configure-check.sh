#!/usr/bin/env bash
# The configure guards on the service's address and its pinned authority, both ways: plain http to a host outside
# loopback fails, saying why and which switch accepts it; that switch, https, or a loopback host configure; an
# authority file that holds no PEM certificate fails, saying what it found. Each configure is real, of the whole
# project, in a scratch folder of its own.
#
# Usage: configure-check.sh SOURCE_ROOT
set -uo pipefail
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0

# configure NAME EXPECTED(pass|fail) PATTERN [CMAKE_ARGS...]: PATTERN must appear in what a failing configure says.
configure() {
  local name=$1 expected=$2 pattern=$3 outcome=pass
  shift 3
  cmake -S "$root" -B "$work/$name" -DBUILD_TESTING=OFF "$@" >"$work/$name.log" 2>&1 || outcome=fail
  if [ "$outcome" != "$expected" ] || { [ "$expected" = fail ] && ! grep -q -- "$pattern" "$work/$name.log"; }; then
    echo "FAILED: $name: expected to $expected, did $outcome"
    cat "$work/$name.log"
    failed=1
  else
    echo "$name: ${outcome}ed as expected"
  fi
}

configure plain-http-outside fail "NUVA_ALLOW_PLAIN_HTTP=ON" -DNUVA_SERVICE_HOST=games.example
configure unknown-scheme fail "it must be http or https" -DNUVA_SERVICE_SCHEME=ftp
configure plain-http-allowed pass "" -DNUVA_SERVICE_HOST=games.example -DNUVA_ALLOW_PLAIN_HTTP=ON
configure https-outside pass "" -DNUVA_SERVICE_HOST=games.example -DNUVA_SERVICE_SCHEME=https
configure plain-http-loopback pass "" -DNUVA_SERVICE_HOST=127.0.0.2
configure plain-http-ipv6-loopback pass "" -DNUVA_SERVICE_HOST=::1

"$root/tools/make-certificate.sh" authority "$work" authority
openssl x509 -in "$work/authority.pem" -outform der -out "$work/authority.der"
: >"$work/empty.pem"
configure authority-der fail "it looks like a DER (binary) certificate" -DNUVA_SERVICE_CA="$work/authority.der"
configure authority-empty fail "is empty" -DNUVA_SERVICE_CA="$work/empty.pem"
# The release build of the README, with Windows' generator and Qt left out.
configure release-over-tls pass "" -DNUVA_SERVICE_SCHEME=https -DNUVA_SERVICE_HOST=games.example \
  -DNUVA_FRONTEND_PORT=443 -DNUVA_SERVICE_CA="$work/authority.pem"
exit $failed
