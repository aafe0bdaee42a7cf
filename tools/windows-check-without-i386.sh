#!/usr/bin/env bash
# The Windows checks as on a machine that executes no 32-bit programs: their detection is pointed at a program that
# no x86 kernel executes (the header of an ELF program for AArch64). The 32-bit programs must be reported as not run,
# and the 64-bit ones must still run and pass.
# Usage: windows-check-without-i386.sh SOURCE_ROOT BUILD_FOLDER SERVICE
set -euo pipefail
root=$1
build=$2

probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
# e_ident (64-bit, little endian, version 1), then e_type 2 (executable) and e_machine 183 (AArch64); zeros after.
printf '\177ELF\002\001\001\000\000\000\000\000\000\000\000\000\002\000\267\000\001\000\000\000' >"$probe"
head -c 40 /dev/zero >>"$probe"
chmod +x "$probe"

# The client's files built with Qt for Windows are left to the plain run: the cache holds the architecture this
# machine runs.
output=$(NUVA_I386_PROBE=$probe NUVA_WINDOWS_QT=0 "$root/tools/windows-check.sh" "$root" "$build" "$3" 2>&1) && status=0 || status=$?
echo "$output"
if ! grep -q '^  i686 (32-bit Windows): .*not run: this machine cannot execute 32-bit programs' <<<"$output"; then
  echo "FAILED: the 32-bit programs were not reported as not run"
  exit 1
fi
exit "$status"
