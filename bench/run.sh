#!/usr/bin/env bash
# Usage: bench/run.sh [quadcount|sumplus|summinus ...]   (default: all three)
#
# Generates the inputs into bench/out/, runs each program beside its
# straightforward reference design (and beside cat, the floor for moving the
# same bytes through a pipe) and prints the median wall time of several
# runs, the ratio to the baseline and the peak memory. Build first:
# cmake --preset default && cmake --build --preset default
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
bin=$root/build/bin
tests=$root/build/tests
gen=$root/build/bench/bench-gen
out=$here/out
mkdir -p "$out"
for tool in "$bin/quadcount" "$bin/sumplus" "$bin/summinus" "$gen" "$tests/quadcount-ref" \
  "$tests/sumplus-ref" "$tests/summinus-ref"; do
  [ -x "$tool" ] || { echo "missing $tool: build first" >&2; exit 1; }
done

# measure RUNS INPUT PIPE CMD...: runs CMD RUNS times on INPUT (through a
# pipe from cat when PIPE is "pipe"), output to /dev/null. Sets MEDIAN
# (seconds) and PEAK (MiB, the largest of the runs).
measure() {
  local runs=$1 input=$2 pipe=$3 times=() peak=0 t0 t1 kb i
  shift 3
  for ((i = 0; i < runs; i++)); do
    t0=$EPOCHREALTIME
    if [ "$pipe" = pipe ]; then
      cat "$input" | /usr/bin/time -f %M -o "$out/rss" "$@" > /dev/null
    else
      /usr/bin/time -f %M -o "$out/rss" "$@" < "$input" > /dev/null
    fi
    t1=$EPOCHREALTIME
    times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')")
    kb=$(tail -n 1 "$out/rss")
    ((kb > peak)) && peak=$kb
  done
  MEDIAN=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
  PEAK=$(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }')
}

row() {  # row CASE PROGRAM_TIME PROGRAM_MIB BASELINE_NAME BASELINE_TIME
  local ratio="-"
  if [ "$5" != "-" ]; then
    ratio=$(awk -v p="$2" -v b="$5" -v n="$4" 'BEGIN {
      if (b >= p) printf "%.1fx faster than %s", b / p, n
      else printf "%.2fx the time of %s", p / b, n }')
  fi
  printf '%-40s %8s s %7s MiB   %-22s %8s s   %s\n' "$1" "$2" "$3" "$4" "$5" "$ratio"
}

header() {
  printf '\n%-40s %10s %11s   %-22s %10s   %s\n' "$1" "median" "peak" "baseline" "median" "ratio"
}

bench_quadcount() {
  header quadcount
  local f
  f=$out/quad-square; [ -s "$f" ] || "$gen" quad 3900 0 1000 2000 2000 2000 2000 > "$f"
  measure 5 "$f" file "$bin/quadcount"
  row "4 x 2,000, nearly all 1.6e13 picks" "$MEDIAN" "$PEAK" "reference" "-"
  for shape in "1000000 1000000 1 1" "1 1 1000000 1000000" "1000000 1 1 1000000"; do
    f=$out/quad-${shape// /-}; [ -s "$f" ] || "$gen" quad 0 -1000000000 1000000000 $shape > "$f"
    measure 5 "$f" file "$bin/quadcount"
    row "shape (${shape// /, }), mixed signs" "$MEDIAN" "$PEAK" "reference" "-"
  done
  f=$out/quad-many; [ -s "$f" ] || "$gen" quad 4000 0 1000 20 20 20 20 20000 > "$f"
  measure 5 "$f" file "$bin/quadcount"
  local mine=$MEDIAN mem=$PEAK
  measure 1 "$f" file "$tests/quadcount-ref"
  row "20,000 records of 4 x 20 elements" "$mine" "$mem" "reference" "$MEDIAN"
  echo "(the reference steps once per counted pick: on the first four it would run for hours)"
}

# bench_digits PROGRAM: the digit-string filters, input through a pipe from
# cat, beside the std::string design and beside cat itself.
bench_digits() {
  local p=$1 f mine mem floor
  header "$p"
  f=$out/tokens13; [ -s "$f" ] || "$gen" tokens 1000000 13 10 > "$f"
  measure 7 "$f" pipe cat; floor=$MEDIAN
  measure 7 "$f" pipe "$bin/$p"; mine=$MEDIAN mem=$PEAK
  row "1,000,000 tokens of 1-13 digits" "$mine" "$mem" "cat" "$floor"
  measure 3 "$f" pipe "$tests/$p-ref"
  row "" "$mine" "$mem" "reference" "$MEDIAN"
  f=$out/long100m; [ -s "$f" ] || "$gen" long 100000000 > "$f"
  measure 5 "$f" pipe cat; floor=$MEDIAN
  measure 5 "$f" pipe "$bin/$p"; mine=$MEDIAN mem=$PEAK
  row "one token of 100,000,000 digits" "$mine" "$mem" "cat" "$floor"
  measure 5 "$f" pipe "$root/build/bench/bench-hold"
  row "" "$mine" "$mem" "holding it ($PEAK MiB)" "$MEDIAN"
  measure 1 "$f" pipe "$tests/$p-ref"
  row "" "$mine" "$mem" "reference ($PEAK MiB)" "$MEDIAN"
  f=$out/tokens3; [ -s "$f" ] || "$gen" tokens 10000000 3 10 > "$f"
  measure 5 "$f" pipe cat; floor=$MEDIAN
  measure 5 "$f" pipe "$bin/$p"; mine=$MEDIAN mem=$PEAK
  row "10,000,000 tokens of 1-3 digits" "$mine" "$mem" "cat" "$floor"
  local per_token
  per_token=$(awk -v t="$mine" 'BEGIN { printf "%.0f", t * 1e9 / 1e7 }')
  echo "(per token, all in: ${per_token} ns)"
}
bench_sumplus() { bench_digits sumplus; }
bench_summinus() { bench_digits summinus; }

cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(quadcount sumplus summinus)
echo "machine: $(nproc) cores, $(awk '/model name/ { $1 = $2 = $3 = ""; print; exit }' /proc/cpuinfo | sed 's/^ *//')"
for c in "${cases[@]}"; do
  if declare -F "bench_$c" > /dev/null; then "bench_$c"; else echo "no benchmark for $c yet"; fi
done
