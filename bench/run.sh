#!/usr/bin/env bash
# Usage: bench/run.sh [quadcount|sumplus|summinus|scaling|threads|costs ...]   (default: the first three)
#
# Generates the inputs into bench/out/ and times each program beside a
# baseline: its straightforward reference design, cat (the floor for moving
# the same bytes through a pipe), or the same program held to one core. The
# program and its baseline run in alternation (A B A B ...), and the ratio is
# the median of the ratios of each pair, which this noisy shared machine
# keeps far steadier than a ratio of medians. Peak memory is the largest of
# the program's runs. `scaling` prints time against n for four lists of n
# wide values, n = 1,000 to 128,000, beside the floor, and 4 x 32,000 at
# spreads from 10^6 to 10^9. `threads` prints CPU time at 2 to 64 threads
# against one, and the largest part's CPU time against the whole's. `costs`
# times every counting method on one thread on each quadcount record beside
# the chooser's estimate: measured/estimated is the factor by which that
# method's constants in quadcount/count.cpp are off on this machine.
# Build first: cmake --preset default && cmake --build --preset default
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
bin=$root/build/bin
tests=$root/build/tests
gen=$root/build/bench/bench-gen
count=$root/build/bench/bench-count
floor=$root/build/bench/bench-floor
digits=$root/build/bench/bench-digits
out=$here/out
mkdir -p "$out"
for tool in "$bin/quadcount" "$bin/sumplus" "$bin/summinus" "$gen" "$count" "$floor" "$digits" "$tests/quadcount-ref" \
  "$tests/sumplus-ref" "$tests/summinus-ref"; do
  [ -x "$tool" ] || { echo "missing $tool: build first" >&2; exit 1; }
done

# once INPUT PIPE CMD...: one run of CMD on INPUT (through a pipe from cat
# when PIPE is "pipe"), output to /dev/null. Sets T (seconds) and KB (peak).
once() {
  local input=$1 pipe=$2 t0 t1
  shift 2
  t0=$EPOCHREALTIME
  if [ "$pipe" = pipe ]; then
    cat "$input" | /usr/bin/time -f %M -o "$out/rss" "$@" > /dev/null
  else
    /usr/bin/time -f %M -o "$out/rss" "$@" < "$input" > /dev/null
  fi
  t1=$EPOCHREALTIME
  T=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.4f", b - a }')
  KB=$(tail -n 1 "$out/rss")
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# compare RUNS INPUT PIPE BASELINE_CMD... -- CMD...: RUNS pairs, baseline
# first in each. Sets MEDIAN and BASE (medians, s), RATIO (median of CMD's
# time over the baseline's, pair by pair), PEAK and BASE_PEAK (MiB). With
# no baseline command, only CMD runs and RATIO is "-".
compare() {
  local runs=$1 input=$2 pipe=$3 base=() prog=() mine=() theirs=() ratios=() peak=0 bpeak=0 i
  shift 3
  while [ "$1" != -- ]; do base+=("$1"); shift; done
  shift
  prog=("$@")
  for ((i = 0; i < runs; i++)); do
    if [ ${#base[@]} -gt 0 ]; then
      once "$input" "$pipe" "${base[@]}"; theirs+=("$T"); ((KB > bpeak)) && bpeak=$KB
    fi
    once "$input" "$pipe" "${prog[@]}"; mine+=("$T"); ((KB > peak)) && peak=$KB
    [ ${#base[@]} -gt 0 ] && ratios+=("$(awk -v p="$T" -v b="${theirs[i]}" 'BEGIN { printf "%.4f", p / b }')")
  done
  MEDIAN=$(printf '%s\n' "${mine[@]}" | median)
  BASE=-; RATIO=-
  if [ ${#base[@]} -gt 0 ]; then
    BASE=$(printf '%s\n' "${theirs[@]}" | median)
    RATIO=$(printf '%s\n' "${ratios[@]}" | median)
  fi
  PEAK=$(awk -v k="$peak" 'BEGIN { printf "%.1f", k / 1024 }')
  BASE_PEAK=$(awk -v k="$bpeak" 'BEGIN { printf "%.1f", k / 1024 }')
}

row() {  # row CASE BASELINE_NAME, from compare's results
  local ratio="-"
  if [ "$RATIO" != "-" ]; then
    ratio=$(awk -v r="$RATIO" -v n="$2" 'BEGIN {
      if (r < 0.25) printf "%.1fx faster than %s", 1 / r, n
      else printf "%.2fx the time of %s", r, n }')
  fi
  printf '%-44s %8s s %7s MiB   %-24s %8s s   %s\n' "$1" "$MEDIAN" "$PEAK" "$2" "$BASE" "$ratio"
}

header() {
  printf '\n%-44s %10s %11s   %-24s %10s   %s\n' "$1" "median" "peak" "baseline" "median" "median ratio"
}

# quad NAME GEN_ARGS...: the input file for these bench-gen arguments.
quad() {
  local f=$out/quad-$1
  shift
  [ -s "$f" ] || "$gen" quad "$@" > "$f"
  echo "$f"
}

one_core=(taskset -c 0)

# The quadcount records: name and bench-gen arguments.
quad_rows=(
  "wide-2000 0 -1000000000 1000000000 2000 2000 2000 2000"
  "wide-8000 0 -1000000000 1000000000 8000 8000 8000 8000"
  "wide-20000 0 -1000000000 1000000000 20000 20000 20000 20000"
  "wide-32000 0 -1000000000 1000000000 32000 32000 32000 32000"
  "narrow-1m 2000000 0 1000000 1000000 1000000 1000000 1000000"
  "square 3900 0 1000 2000 2000 2000 2000"
  "1000000-1000000-1-1 0 -1000000000 1000000000 1000000 1000000 1 1"
  "1-1-1000000-1000000 0 -1000000000 1000000000 1 1 1000000 1000000"
  "1000000-1-1-1000000 0 -1000000000 1000000000 1000000 1 1 1000000"
)

bench_quadcount() {
  header quadcount
  local f n
  for n in 2000 8000 20000 32000; do
    f=$(quad "wide-$n" 0 -1000000000 1000000000 $n $n $n $n)
    compare 3 "$f" file "${one_core[@]}" "$bin/quadcount" -- "$bin/quadcount"
    row "4 x $n, values in +-10^9, budget 0" "itself on one core"
  done
  for n in 2000 8000 20000; do
    f=$(quad "wide-$n" 0 -1000000000 1000000000 $n $n $n $n)
    compare 3 "$f" file "${one_core[@]}" "$floor" -- "${one_core[@]}" "$bin/quadcount"
    row "4 x $n on one core" "the floor, one core"
  done
  echo "(the floor makes every head and tail once and sums them: bench/floor.cpp)"
  f=$(quad narrow-1m 2000000 0 1000000 1000000 1000000 1000000 1000000)
  compare 3 "$f" file "${one_core[@]}" "$bin/quadcount" -- "$bin/quadcount"
  row "4 x 10^6, values in [0, 10^6], budget 2e6" "itself on one core"
  compare 7 /dev/null file "$count" --whole --no-huge-pages "$f" -- "$count" --whole "$f"
  row "the same, huge pages for large arrays" "ordinary pages"
  f=$(quad square 3900 0 1000 2000 2000 2000 2000)
  compare 5 "$f" file -- "$bin/quadcount"
  row "4 x 2,000, nearly all 1.6e13 picks" "-"
  for shape in "1000000 1000000 1 1" "1 1 1000000 1000000" "1000000 1 1 1000000"; do
    f=$(quad "${shape// /-}" 0 -1000000000 1000000000 $shape)
    compare 5 "$f" file -- "$bin/quadcount"
    row "shape (${shape// /, }), +-10^9" "-"
  done
  f=$(quad many 4000 0 1000 20 20 20 20 20000)
  compare 3 "$f" file "$tests/quadcount-ref" -- "$bin/quadcount"
  row "20,000 records of 4 x 20 elements" "reference"
  echo "(the reference steps once per counted pick: on the others it would run for hours)"
  # Many small records, their values spread narrow to wide, each beside the
  # narrowest: what a record costs beyond its count.
  local narrowest hi
  narrowest=$(quad small-1000 2000000 0 1000 20 20 20 20 20000)
  for hi in 1000000 1000000000; do
    f=$(quad "small-$hi" 2000000 0 $hi 20 20 20 20 20000)
    compare 7 /dev/null file sh -c "exec '$bin/quadcount' < '$narrowest'" -- sh -c "exec '$bin/quadcount' < '$f'"
    row "20,000 x 4 x 20 in [0, $hi], budget 2e6" "values in [0, 1000]"
  done
}

bench_costs() {
  local r name
  for r in "${quad_rows[@]}"; do
    name=${r%% *}
    echo
    echo "== $name"
    # shellcheck disable=SC2086
    "$count" --methods "$(quad $r)"
  done
}

bench_scaling() {
  header "quadcount, four lists of n values in +-10^9, budget 0, one core"
  local n f last=""
  for n in 1000 2000 4000 8000 16000 32000 64000 128000; do
    f=$(quad "wide-$n" 0 -1000000000 1000000000 $n $n $n $n)
    compare 3 "$f" file "${one_core[@]}" "$floor" -- "${one_core[@]}" "$bin/quadcount"
    row "n = $n" "the floor, one core"
    [ -n "$last" ] && awk -v a="$last" -v b="$MEDIAN" 'BEGIN { printf "%44s against n / 2: %.2fx\n", "", b / a }'
    last=$MEDIAN
  done
  header "quadcount, 4 x 32,000 in +-spread, budget 0, one thread"
  local spread
  for spread in 1000000 3000000 10000000 30000000 100000000 1000000000; do
    f=$(quad "spread-$spread" 0 -$spread $spread 32000 32000 32000 32000)
    compare 3 "$f" file -- "$bin/quadcount" --parallel=1
    row "spread $spread" "-"
  done
}

# cpu CMD... < INPUT: user + system seconds and peak KiB of one run, as "S KB".
# The seconds come from perf's task clock where perf can read it (to 0.1 ms),
# else from the kernel's accounting of the run (to 10 ms).
perf_clock=$(perf stat -x, -e task-clock true > /dev/null 2>&1 && echo yes || true)
cpu() {
  if [ -n "$perf_clock" ]; then
    perf stat -x, -o "$out/perf" -e task-clock /usr/bin/time -f '%U %S %M' -o "$out/cpu" "$@" > /dev/null &&
      awk -F, '/task-clock/ { s = $1 / 1000 } END { getline l < "'"$out/cpu"'"; split(l, f, " "); printf "%.4f %d\n", s, f[3] }' "$out/perf"
  else
    /usr/bin/time -f '%U %S %M' -o "$out/cpu" "$@" > /dev/null && awk '{ printf "%.2f %d\n", $1 + $2, $3 }' "$out/cpu"
  fi
}

# CPU time at N threads against one thread (what N real cores would pay),
# and the CPU time of the largest of N parts against the whole on one
# thread, divided by N: medians of three.
bench_threads() {
  local n f p r one t kb ratios cpus kbs
  for n in 16000 32000; do
    f=$(quad "wide-$n" 0 -1000000000 1000000000 $n $n $n $n)
    read -r one kb < <(cpu "$bin/quadcount" --parallel=1 < "$f")
    printf '\n4 x %s wide: one thread %s s CPU, %s MiB\n' "$n" "$one" "$((kb / 1024))"
    for p in 2 8 16 64; do
      # Three rounds of one thread then p threads: the median ratio, CPU and peak.
      ratios=() cpus=() kbs=()
      for r in 1 2 3; do
        read -r one kb < <(cpu "$bin/quadcount" --parallel=1 < "$f")
        read -r t kb < <(cpu "$bin/quadcount" --parallel=$p < "$f")
        ratios+=("$(awk -v t="$t" -v o="$one" 'BEGIN { print t / o }')") cpus+=("$t") kbs+=("$kb")
      done
      printf '  %2d threads: %.2f s CPU, %.2fx one thread, %d MiB\n' $p "$(printf '%s\n' "${cpus[@]}" | median)" \
        "$(printf '%s\n' "${ratios[@]}" | median)" "$(($(printf '%s\n' "${kbs[@]}" | median) / 1024))"
    done
  done
  local inputs=("$(quad wide-32000 0 -1000000000 1000000000 32000 32000 32000 32000)" "$(quad many-parts 2000000 0 1000000 20 20 20 20 20000)")
  for f in "${inputs[@]}"; do
    # The whole and each part: the median of three runs.
    one=$(for r in 1 2 3; do cpu "$bin/quadcount" --parallel=1 < "$f"; done | median)
    printf '\n%s: whole on one thread %s s CPU\n' "$(basename "$f")" "$one"
    for n in 2 8 64; do
      local most=0 k
      for ((k = 1; k <= n; k++)); do
        t=$(for r in 1 2 3; do cpu "$bin/quadcount" --parallel=1 --part=$k/$n < "$f"; done | median)
        most=$(awk -v a="$most" -v b="$t" 'BEGIN { print (b > a ? b : a) }')
      done
      awk -v n=$n -v m="$most" -v o="$one" 'BEGIN { printf "  largest of %2d parts: %.4f s CPU, %.2fx the whole / %d\n", n, m, m / (o / n), n }'
    done
  done
}

# bench_digits PROGRAM: the digit-string filters, input through a pipe from
# cat, beside cat itself and beside the std::string design.
bench_digits() {
  local p=$1 f
  header "$p"
  f=$out/tokens13; [ -s "$f" ] || "$gen" tokens 1000000 13 10 > "$f"
  compare 7 "$f" pipe cat -- "$bin/$p"
  row "1,000,000 tokens of 1-13 digits" "cat"
  compare 3 "$f" pipe "$tests/$p-ref" -- "$bin/$p"
  row "" "reference ($BASE_PEAK MiB)"
  f=$out/long100m; [ -s "$f" ] || "$gen" long 100000000 > "$f"
  compare 5 "$f" pipe cat -- "$bin/$p"
  row "one token of 100,000,000 digits" "cat"
  compare 5 "$f" pipe "$root/build/bench/bench-hold" -- "$bin/$p"
  row "" "holding it ($BASE_PEAK MiB)"
  compare 5 "$f" pipe "$root/build/bench/bench-hold" --echo -- "$bin/$p"
  row "" "holding it, then writing it"
  compare 5 "$f" pipe "$root/build/bench/bench-hold" --file -- "$bin/$p"
  row "" "the same through a memory file"
  compare 1 "$f" pipe "$tests/$p-ref" -- "$bin/$p"
  row "" "reference ($BASE_PEAK MiB)"
  f=$out/tokens4; [ -s "$f" ] || "$gen" tokens 10000000 4 10 > "$f"
  compare 7 "$f" pipe cat -- "$bin/$p"
  row "10,000,000 tokens of 1-4 digits" "cat"
  echo "(per token, all in: $(awk -v t="$MEDIAN" 'BEGIN { printf "%.0f", t * 1e9 / 1e7 }') ns)"
  local path
  for path in $("$digits"); do
    [ "$path" = portable ] && continue
    compare 7 "$f" pipe "$digits" "$p" portable -- "$digits" "$p" "$path"
    row "  the same on the $path path" "the portable path"
  done
}
bench_sumplus() { bench_digits sumplus; }
bench_summinus() { bench_digits summinus; }

cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(quadcount sumplus summinus)
# The processor, which some figures depend on: vector paths are fast on
# some processors and slow on others.
width=128
grep -qw avx2 /proc/cpuinfo && width=256
grep -qw avx512f /proc/cpuinfo && width=512
echo "machine: $(nproc) cores, $(awk -F': ' '/^vendor_id/ { v = $2 } /^cpu family/ { f = $2 } /^model\t/ { m = $2 }
  /^model name/ { n = $2 } END { printf "%s (%s, family %s, model %s)", n, v, f, m }' /proc/cpuinfo), vectors up to $width bits"
echo "vector paths: $("$count" --paths | paste -sd '|' | sed 's/|/; /'); digit filters: $("$digits" | paste -sd ' ')"
for c in "${cases[@]}"; do
  if declare -F "bench_$c" > /dev/null; then "bench_$c"; else echo "no benchmark for $c"; fi
done
