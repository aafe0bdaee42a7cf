#!/usr/bin/env bash
# Builds the fuzz targets (fuzz/) with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer, and runs
# each one from its corpus in fuzz/corpus/ for a few seconds with a fixed seed. What a run finds new goes to a
# scratch folder, never into the repository; a crash, a sanitizer report or a broken invariant fails the check.
# Usage: fuzz-check.sh SOURCE_ROOT BUILD_FOLDER [SECONDS_PER_TARGET]
set -euo pipefail
root=$1
build=$2
seconds=${3:-3}

command -v clang++ >/dev/null || { echo "clang++ is missing (clang, libclang-rt-14-dev)" >&2; exit 1; }
cmake -S "$root/fuzz" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

scratch=$(mktemp -d)
rm -rf "$build/findings"
trap 'rm -rf "$scratch"' EXIT
failed=0
for target in "$build"/fuzz_*; do
  [ -x "$target" ] && [ -f "$target" ] || continue
  name=$(basename "$target")
  mkdir -p "$scratch/$name"
  # The targets that parse JSON meet a leak of Qt's own parser (see fuzz/qt-json-leak.supp).
  suppressions=
  case $name in fuzz_billing | fuzz_serviceenvelope) suppressions="suppressions=$root/fuzz/qt-json-leak.supp" ;; esac
  if LSAN_OPTIONS=$suppressions "$target" -seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$scratch/$name-" \
    "$scratch/$name" "$root/fuzz/corpus/$name" >"$scratch/$name.log" 2>&1; then
    echo "$name: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$scratch/$name.log" | grep -o '[0-9]*$') runs in ${seconds} s, nothing found"
  else
    echo "$name: FAILED" >&2
    grep -v -e REDUCE -e NEW -e pulse "$scratch/$name.log" >&2
    # The failing input, kept where the next run finds it.
    mkdir -p "$build/findings" && cp "$scratch/$name"-* "$build/findings/" 2>/dev/null || true
    failed=1
  fi
done
exit $failed
