#!/usr/bin/env bash
# Makes throw-away TLS material with openssl, for the demo over TLS (./run.sh --tls) and the tests.
#
#   make-certificate.sh authority DIR NAME
#       a certificate authority of its own: DIR/NAME.pem and its key DIR/NAME.key
#   make-certificate.sh server DIR NAME HOST AUTHORITY
#       a server certificate for HOST (an IP address or a DNS name) signed by the authority AUTHORITY.pem/.key:
#       DIR/NAME.pem, the certificate followed by the authority's, and its key DIR/NAME.key
#
# An authority is valid for a year, a server certificate for 30 days; each holds an elliptic-curve key.
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
  if [[ $host =~ ^[0-9.]+$ || $host == *:* ]]; then alternative="IP:$host"; else alternative="DNS:$host"; fi
  extensions=$(mktemp)
  trap 'rm -f "$extensions" "$dir/$name.csr"' EXIT
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$alternative" >"$extensions"
  openssl req "${key_options[@]}" -keyout "$dir/$name.key" -out "$dir/$name.csr" -subj "/CN=$host" 2>/dev/null
  openssl x509 -req -in "$dir/$name.csr" -CA "$authority.pem" -CAkey "$authority.key" -CAcreateserial \
    -CAserial "$dir/$name.srl" -out "$dir/$name.pem" -days 30 -extfile "$extensions" 2>/dev/null
  cat "$authority.pem" >>"$dir/$name.pem"
  ;;
*)
  echo "usage: make-certificate.sh authority DIR NAME | server DIR NAME HOST AUTHORITY" >&2
  exit 2
  ;;
esac
