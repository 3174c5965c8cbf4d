#!/usr/bin/env bash
# Usage: tests/stress/run.sh [WORKDIR]
#
# Stress cases, too large for CI: each is checked against the reference
# design or against a property, with the peak memory of the program shown.
# Needs the default build (cmake --workflow --preset default) and several
# GiB of disk in WORKDIR (default: a fresh temporary folder). Takes about
# 15 minutes on 2 cores.
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$root/build/bin ref=$root/build/tests gen=$root/build/bench/bench-gen
work=${1:-$(mktemp -d)}
mkdir -p "$work"
failures=0

# run NAME LIMIT_MIB PROGRAM INPUT: runs PROGRAM on INPUT into $work/got,
# reports time and peak memory, and fails on a non-zero status, a diagnostic
# or a peak above LIMIT_MIB.
run() {
  local name=$1 limit=$2 program=$3 input=$4 status kb
  /usr/bin/time -f '%e %M' -o "$work/time" "$program" < "$input" > "$work/got" 2> "$work/err"
  status=$?
  read -r secs kb < "$work/time"
  printf '%-52s %7s s %8s MiB' "$name" "$secs" "$((kb / 1024))"
  if [ $status -ne 0 ] || [ -s "$work/err" ] || [ $((kb / 1024)) -gt "$limit" ]; then
    printf '  FAIL (status %s, limit %s MiB) %s\n' "$status" "$limit" "$(head -c 200 "$work/err")"
    failures=$((failures + 1))
    return 1
  fi
}

# verdict OK: ends the line that run started.
verdict() {
  if [ "$1" = 0 ]; then echo "  ok"; else echo "  FAIL: $2"; failures=$((failures + 1)); fi
}

against_reference() {  # against_reference PROGRAM INPUT
  "$ref/$1-ref" < "$2" > "$work/want"
  cmp -s "$work/got" "$work/want"
  verdict $? "differs from the reference"
}

# --- sumplus and summinus: one token of 1 GiB, then 100,000,000 short tokens
"$gen" long 1073741824 > "$work/giant"
for p in sumplus summinus; do
  limit=$((1024 + 64)); [ $p = summinus ] && limit=64  # summinus holds no token whole
  run "$p: one token of 1 GiB" $limit "$bin/$p" "$work/giant" && against_reference "$p" "$work/giant"
done
rm -f "$work/giant" "$work/want"
"$gen" tokens 100000000 3 10 > "$work/short"
for p in sumplus summinus; do
  run "$p: 100,000,000 short tokens" 64 "$bin/$p" "$work/short" && against_reference "$p" "$work/short"
done
rm -f "$work/short"

# --- quadcount: one list of 10,000,000 elements, counted by awk as a check
"$gen" quad 0 -1000000000 1000000000 10000000 1 1 1 > "$work/tall"
if run "quadcount: one list of 10,000,000 elements" 512 "$bin/quadcount" "$work/tall"; then
  want=$(awk 'NR == 1 { L = $1; next } NR == 2 { n = split($0, s, " "); next }
              NR == 3 { x2 = $1 } NR == 4 { x3 = $1 } NR == 5 { x4 = $1 }
              END { c = 0; t = x3 > 0 ? x3 : 0; if (x3 + x4 > t) t = x3 + x4
                    for (i = 1; i <= n; i++) if (s[i] + x2 + t <= L) c++; print c }' "$work/tall")
  [ "$(cat "$work/got")" = "$want" ]; verdict $? "got $(cat "$work/got"), want $want"
fi
"$gen" quad 2000 0 1000 1 2 3 2 1000000 > "$work/many"
run "quadcount: 1,000,000 small records" 64 "$bin/quadcount" "$work/many" && against_reference quadcount "$work/many"
{
  for l in -9223372036854775808 -9223372036854775807 9223372036854775807 9223372036854775806; do
    "$gen" quad "$l" -2147483648 2147483647 3 3 3 3 1000 | sed '$d'
    "$gen" quad "$l" 2147483600 2147483647 3 3 3 3 1000 | sed '$d'
    "$gen" quad "$l" -2147483648 -2147483600 3 3 3 3 1000 | sed '$d'
  done
} > "$work/extremes"
run "quadcount: 12,000 records at the 64-bit budget ends" 64 "$bin/quadcount" "$work/extremes" &&
  against_reference quadcount "$work/extremes"
rm -f "$work/tall" "$work/many" "$work/extremes"

# --- every program on 100 MiB of random bytes
head -c 104857600 /dev/urandom > "$work/noise"
for p in quadcount sumplus summinus; do
  run "$p: 100 MiB of random bytes" 256 "$bin/$p" "$work/noise" && against_reference "$p" "$work/noise"
done
rm -f "$work/noise" "$work/got" "$work/want"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
