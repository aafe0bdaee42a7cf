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

# Whether both numbers of the certificate's signature fill the curve's 32 bytes. Wine's crypt32 refuses a good
# signature with a shorter one (one in about 200 here), which would fail the Windows checks' chains now and then; a new
# signature is drawn until it has the full length.
full_length_signature() {
  local der offset full
  der=$(mktemp)
  openssl x509 -in "$1" -outform DER -out "$der"
  # The signature is the certificate's last bit string; its two integers are printed without a sign byte.
  offset=$(openssl asn1parse -inform DER -in "$der" | awk '/BIT STRING/ { at = $1 } END { sub(/:.*/, "", at); print at }')
  full=$(openssl asn1parse -inform DER -in "$der" -strparse "$offset" | grep -cE 'INTEGER +:[0-9A-F]{64}$' || true)
  rm -f "$der"
  [ "$full" = 2 ]
}

# Runs the signing command until the certificate it writes has a full-length signature: almost always at once.
sign() {
  local certificate=$1 try
  shift
  for try in 1 2 3 4 5 6 7 8; do
    "$@" 2>/dev/null
    full_length_signature "$certificate" && return 0
  done
  echo "make-certificate.sh: no full-length signature for $certificate in $try tries" >&2
  return 1
}
case "$kind" in
authority)
  sign "$dir/$name.pem" openssl req -x509 "${key_options[@]}" -keyout "$dir/$name.key" -out "$dir/$name.pem" \
    -days 365 -subj "/CN=$name" -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign"
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
  sign "$dir/$name.pem" openssl x509 -req -in "$dir/$name.csr" -CA "$authority.pem" -CAkey "$authority.key" \
    -CAcreateserial -CAserial "$dir/$name.srl" -out "$dir/$name.pem" -days "$days" -extfile "$extensions"
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
