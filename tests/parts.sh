#!/usr/bin/env bash
# Usage: parts.sh BIN_DIR
# Splitting work over processes, with the engine users have (GNU parallel):
# quadcount's parts, each run on the whole input, add up (quadcount --sum)
# to the whole run's lines, and --sum refuses parts that stopped early or
# were cut short; the digit filters' lines through `parallel --pipe -k`,
# with END honoured by the cut the README gives, are the whole run's.
# Exit 77 (skipped) where GNU parallel is missing.
set -u
bin=$1
source "$(dirname "$0")/support/expect.sh"
command -v parallel > /dev/null || { echo "skipped: GNU parallel (Debian's parallel) is not installed"; exit 77; }

# A long record worth splitting, short ones answered whole by turn, and one
# whose count passes 2^64, cut short by text in a list.
awk 'BEGIN { srand(28)
  print 0, 3000, 3000, 3000, 3000
  for (i = 0; i < 12000; i++) print int(rand() * 2e9) - 1e9
  for (r = 0; r < 30; r++) { print 500, 5, 5, 5, 5; for (i = 0; i < 20; i++) print int(rand() * 400) }
  print "100 1 9223372036854775807 4294967296 65536 7 -3 x" }' > "$tmp/records"
"$bin/quadcount" < "$tmp/records" > "$tmp/whole"
[ "$(wc -l < "$tmp/whole")" = 32 ] || fail "the whole run gave $(wc -l < "$tmp/whole") lines, want 32"
for n in 1 7 3; do
  rm -f "$tmp"/part.*
  parallel --halt now,fail=1 "'$bin/quadcount' --part={}/$n < '$tmp/records' > '$tmp/part.{}'" ::: $(seq "$n") ||
    fail "parallel: a part of $n failed"
  # shellcheck disable=SC2046
  "$bin/quadcount" --sum $(seq -f "$tmp/part.%g" "$n") > "$tmp/sum" || fail "--sum of $n parts failed"
  cmp -s "$tmp/sum" "$tmp/whole" || fail "$n parts sum to $(head -n 1 "$tmp/sum"), want $(head -n 1 "$tmp/whole")"
  [ "$n" -gt 1 ] && cmp -s "$tmp/part.1" "$tmp/whole" && fail "part 1 of $n is the whole"
done

# Parts that do not add up: one line on standard error, status 1, nothing summed.
head -c -1 "$tmp/part.2" > "$tmp/cut"          # cut short in its last line
head -n 5 "$tmp/part.2" > "$tmp/early"         # stopped early
for bad in cut early; do
  "$bin/quadcount" --sum "$tmp/part.1" "$tmp/$bad" "$tmp/part.3" > "$tmp/out" 2> "$tmp/err"; status=$?
  [ $status -eq 1 ] && [ ! -s "$tmp/out" ] && [ "$(wc -l < "$tmp/err")" = 1 ] &&
    grep -q "^quadcount: $tmp/$bad: line [0-9]*: " "$tmp/err" || fail "--sum with a part $bad: status $status, $(cat "$tmp/err")"
done
"$bin/quadcount" --sum < /dev/null > /dev/null 2> "$tmp/err"; status=$?
[ $status -eq 2 ] && [ "$(wc -l < "$tmp/err")" = 1 ] || fail "--sum with no file: status $status"
"$bin/quadcount" --sum "$tmp/none" > /dev/null 2> "$tmp/err"; status=$?
[ $status -eq 1 ] && grep -q "No such file" "$tmp/err" || fail "--sum of a missing file: status $status"
"$bin/quadcount" --sum - "$tmp/part.2" "$tmp/part.3" < "$tmp/part.1" | cmp -s - "$tmp/whole" || fail "--sum - reads standard input"

# The digit filters: a token never spans a line, so parallel's line blocks
# serve; END ends only its own block there, so the README's cut goes first.
cut_at_end() { LC_ALL=C sed -E '/(^|[[:space:]])END([[:space:]]|$)/{s/(^|[[:space:]])END([[:space:]].*)?$/\1/;q}'; }
awk 'BEGIN { srand(6); for (i = 0; i < 20000; i++) { s = ""; for (j = 0; j < 1 + i % 5; j++) s = s int(rand() * 1e6) " "; print s } }' > "$tmp/tokens"
{ head -n 12000 "$tmp/tokens"; echo "5 6 END 7"; tail -n 8000 "$tmp/tokens"; } > "$tmp/ended"
for p in sumplus summinus; do
  for input in tokens ended; do
    "$bin/$p" < "$tmp/$input" > "$tmp/whole"
    cut_at_end < "$tmp/$input" | parallel --pipe -k --block 64k "$bin/$p" > "$tmp/split"
    cmp -s "$tmp/split" "$tmp/whole" || fail "$p on $input through parallel --pipe -k differs from the whole run"
  done
  parallel --pipe -k --block 64k "$bin/$p" < "$tmp/ended" | cmp -s - "$tmp/whole" &&
    fail "$p: without the cut, END should end only its own block"
done

[ $failures -eq 0 ] && echo "parts ok"
[ $failures -eq 0 ]
