#!/usr/bin/env bash
# Makes throw-away TLS material with openssl, for the demo over TLS (./run.sh --tls) and the tests.
#
#   make-certificate.sh authority DIR NAME
#       a certificate authority of its own: DIR/NAME.pem and its key DIR/NAME.key
#   make-certificate.sh server DIR NAME HOST AUTHORITY [DAYS]
#       a server certificate for HOST (an IP address or a DNS name) signed by the authority AUTHORITY.pem/.key:
#       DIR/NAME.pem, the certificate followed by the authority's, and its key DIR/NAME.key; valid for DAYS days from
#       now (30 by default; -1 makes one that expired a day ago)
#   make-certificate.sh cases DIR AUTHORITY HOST
#       the chains of tests/support/certificatecases.h for HOST, each DIR/CASE.pem with its key: of AUTHORITY, of
#       authorities of their own (DIR/stranger, DIR/system, the latter also alone in DIR/system-store/ as a system's
#       store of authorities is laid out), expired, and for another host; and the certificates of its name cases
#
# An authority is valid for a year; each holds an elliptic-curve key.
set -euo pipefail
kind=$1
dir=$2
name=$3
key_options=(-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes)
mkdir -p "$dir"
case "$kind" in
authority)
  openssl req -x509 "${key_options[@]}" -keyout "$dir/$name.key" -out "$dir/$name.pem" -days 365 \
    -subj "/CN=$name" -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    2>/dev/null
  ;;
server)
  host=$4
  authority=$5
  days=${6:-30}
  if [[ $host =~ ^[0-9.]+$ || $host == *:* ]]; then alternative="IP:$host"; else alternative="DNS:$host"; fi
  extensions=$(mktemp)
  trap 'rm -f "$extensions" "$dir/$name.csr"' EXIT
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$alternative" >"$extensions"
  openssl req "${key_options[@]}" -keyout "$dir/$name.key" -out "$dir/$name.csr" -subj "/CN=$host" 2>/dev/null
  openssl x509 -req -in "$dir/$name.csr" -CA "$authority.pem" -CAkey "$authority.key" -CAcreateserial \
    -CAserial "$dir/$name.srl" -out "$dir/$name.pem" -days "$days" -extfile "$extensions" 2>/dev/null
  cat "$authority.pem" >>"$dir/$name.pem"
  ;;
cases)
  authority=$3
  host=$4
  self=$0
  "$self" server "$dir" pinned "$host" "$authority"
  "$self" server "$dir" expired "$host" "$authority" -1
  "$self" server "$dir" another-host elsewhere.example "$authority"
  for other in stranger system; do
    "$self" authority "$dir" "$other"
  done
  "$self" server "$dir" another-authority "$host" "$dir/stranger"
  "$self" server "$dir" system-authority "$host" "$dir/system"
  mkdir -p "$dir/system-store"
  cp "$dir/system.pem" "$dir/system-store/"
  openssl rehash "$dir/system-store"
  "$self" server "$dir" name-dns games.example "$authority"
  "$self" server "$dir" name-wildcard '*.example.com' "$authority"
  "$self" server "$dir" name-wildcard-tld '*.com' "$authority"
  "$self" server "$dir" name-ipv4 127.0.0.2 "$authority"
  "$self" server "$dir" name-ipv6 ::1 "$authority"
  ;;
*)
  echo "usage: make-certificate.sh authority DIR NAME | server DIR NAME HOST AUTHORITY [DAYS] | cases DIR AUTHORITY HOST" >&2
  exit 2
  ;;
esac
