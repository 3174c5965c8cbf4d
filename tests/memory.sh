#!/usr/bin/env bash
# Usage: memory.sh PROGRAM
# Memory under `ulimit -v`: a program that runs out says so on one line with
# status 1, the answers before it kept; quadcount fits its methods and
# threads to the room and counts what fits as without the limit; sumplus
# keeps a long token in a memory file, outside the address space.
set -u
prog=$1
source "$(dirname "$0")/support/expect.sh"

# Out of memory under `ulimit -v`. summinus holds no token whole: it answers
# in constant memory. sumplus keeps a long token in a memory file, which takes
# no address space; under a file size limit it holds the token itself. A
# build with AddressSanitizer is skipped: it needs address space of its own.
sanitized=
grep -qa __asan_init "$prog" && sanitized=yes
oom_limit=
case $name in
  sumplus) oom_limit=40000 before=115
           { echo 123; head -c 50000000 /dev/zero | tr '\0' 7; echo; } > "$tmp/huge" ;;
  quadcount) oom_limit=100000 before=2  # a list of 30,000,000 elements cannot be held
             { printf '3 2 1 1 1 1 1 1 1 0\n0 30000000 1 1 1\n'; yes 0 | head -n 30000000; } > "$tmp/huge" ;;
esac
if [ -n "$oom_limit" ] && [ -z "$sanitized" ]; then
  file_limit=unlimited; [ "$name" = sumplus ] && file_limit=1000000
  (ulimit -v $oom_limit -f $file_limit; exec "$prog" < "$tmp/huge" > "$tmp/out" 2> "$tmp/err"); echo $? > "$tmp/status"
  said="$name: out of memory"  # quadcount says what the record needs, and what the process may have
  [ "$name" = quadcount ] && said="$said: record 2 needs about 11[0-9] MiB for its lists, and the process may have [0-9]* MiB (its address space left under ulimit -v)"
  expect "out of memory under ulimit -v $oom_limit -f $file_limit" 1 "$said"
  [ "$(cat "$tmp/out")" = "$before" ] || { echo "FAIL out of memory: answers before it $(head -c 100 "$tmp/out")"; failures=$((failures + 1)); }
  if [ "$name" = sumplus ]; then
    (ulimit -v $oom_limit; exec "$prog" < "$tmp/huge" > "$tmp/out" 2> "$tmp/err"); echo $? > "$tmp/status"
    expect "a long token in a memory file under ulimit -v $oom_limit" 0 ""
    [ "$(head -n 1 "$tmp/out")$(tail -c 3 "$tmp/out" | tr '\n' .)$(wc -c < "$tmp/out")" = "11569.50000005" ] ||
      { echo "FAIL long token under ulimit -v: $(head -c 100 "$tmp/out")"; failures=$((failures + 1)); }
  fi
  rm -f "$tmp/huge"
fi
# quadcount fits its memory and its threads to the room left: 4 lists of
# 10^6 narrow values count under ulimit -v 150000 as without it, on any
# number of threads.
if [ "$name" = quadcount ] && [ -z "$sanitized" ]; then
  awk 'BEGIN { srand(1); print 2000000, 1000000, 1000000, 1000000, 1000000
               for (i = 0; i < 4000000; i++) print int(rand() * 1000001) }' > "$tmp/narrow"
  "$prog" < "$tmp/narrow" > "$tmp/want"
  for threads in "" --parallel=1 --parallel=64 --parallel=1024; do
    (ulimit -v 150000; exec "$prog" $threads < "$tmp/narrow" > "$tmp/out" 2> "$tmp/err"); echo $? > "$tmp/status"
    expect "4 x 10^6 narrow under ulimit -v 150000 $threads" 0 ""
    cmp -s "$tmp/out" "$tmp/want" || { echo "FAIL under the limit: $(cat "$tmp/out"), want $(cat "$tmp/want")"; failures=$((failures + 1)); }
  done
fi

# A histogram may take twice the fair share of the room (half of it): 4
# lists of 10^5 values in [0, 8 x 10^6] count under ulimit -v 500000, in
# about 2 s, as without it.
if [ "$name" = quadcount ] && [ -z "$sanitized" ]; then
  awk 'BEGIN { srand(8); print 16000000, 100000, 100000, 100000, 100000
               for (i = 0; i < 400000; i++) print int(rand() * 8000001) }' > "$tmp/wide_histograms"
  (ulimit -v 500000; exec "$prog" < "$tmp/wide_histograms" > "$tmp/out" 2> "$tmp/err"); echo $? > "$tmp/status"
  expect "4 x 10^5 in [0, 8 x 10^6] under ulimit -v 500000" 0 ""
  [ "$(cat "$tmp/out")" = "$("$prog" < "$tmp/wide_histograms")" ] || fail "under the limit: $(cat "$tmp/out")"
fi

done_
