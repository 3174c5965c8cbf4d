#!/usr/bin/env bash
# Usage: run.sh FUZZER SEEDS [libFuzzer options...]
# Runs FUZZER over a scratch corpus seeded from SEEDS (left untouched);
# findings are written to the scratch folder and shown. CTest runs it with a
# fixed -runs; for a long session pass -max_total_time=1800 instead.
set -u
fuzzer=$1 seeds=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
"$fuzzer" "$work/corpus" "$seeds" -artifact_prefix="$work/" -print_final_stats=1 "$@"
status=$?
for f in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
  [ -e "$f" ] && { echo "finding: $f"; od -c "$f" | head -20; }
done
exit $status
