#!/usr/bin/env bash
# Usage: progress.sh PROGRAM
# The status line of a long record: on a terminal (a pseudo-terminal from
# script(1)), standard error shows the record's progress, and the line is
# erased before the answer; elsewhere nothing at all is written there. The
# answer is the same either way.
set -u
prog=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# Four lists of 28,000 values in +-10^9: estimated at two seconds on one
# thread, and so long on any machine with --parallel=1.
awk 'BEGIN { srand(2); print 0, 28000, 28000, 28000, 28000
             for (i = 0; i < 112000; i++) print int(rand() * 2e9) - 1e9 }' > "$tmp/long"

"$prog" < "$tmp/long" > "$tmp/want" 2> "$tmp/err" || fail "status $? without a terminal"
[ -s "$tmp/err" ] && fail "standard error not a terminal, yet written: $(head -c 200 "$tmp/err")"

script -qec "'$prog' --parallel=1 < '$tmp/long' > '$tmp/got'" "$tmp/typescript" > /dev/null || fail "status $? on a terminal"
cmp -s "$tmp/got" "$tmp/want" || fail "the answer differs on a terminal"
grep -aq 'quadcount: record 1: .*% done, .* s elapsed, about .* s left' "$tmp/typescript" ||
  fail "no status line: $(head -c 300 "$tmp/typescript" | od -c | head -5)"
# script(1) frames the terminal's bytes with a line before and one after.
sed '1d;$d' "$tmp/typescript" > "$tmp/terminal"
[ "$(tail -c 5 "$tmp/terminal" | od -An -c | tr -s ' ')" = " \r 033 [ K \n" ] ||
  fail "the status line is not erased at the end: $(tail -c 40 "$tmp/terminal" | od -c)"

[ $failures -eq 0 ] && echo "status line shown on a terminal only, and erased"
[ $failures -eq 0 ]
