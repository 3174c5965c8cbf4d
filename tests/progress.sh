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

# Each update fits the terminal's width, one column to spare: at 40 columns
# it is cut short, at 200 whole.
for cols in 40 200; do
  script -qec "stty cols $cols; '$prog' --parallel=1 < '$tmp/long' > /dev/null" "$tmp/typescript" > /dev/null
  sed '1d;$d' "$tmp/typescript" | tr '\r' '\n' | sed 's/\x1b\[K//g' | grep -a '^quadcount: ' > "$tmp/updates"
  [ -s "$tmp/updates" ] || fail "$cols columns: no status line"
  longest=$(awk '{ if (length > n) n = length } END { print n + 0 }' "$tmp/updates")
  [ "$longest" -le $((cols - 1)) ] || fail "$cols columns: an update of $longest characters"
  [ $cols = 40 ] && [ "$longest" -ne 39 ] && fail "40 columns: updates not cut to 39 characters but $longest"
  [ $cols = 200 ] && ! grep -aq 'left$' "$tmp/updates" && fail "200 columns: updates cut short"
done

# SIGINT while the line is shown erases it, and the program dies by SIGINT.
# 4 x 64,000 takes seconds on any machine; it is stopped after one. (Job
# control on, so that the shell does not make the background job ignore SIGINT.)
awk 'BEGIN { srand(3); print 0, 64000, 64000, 64000, 64000
             for (i = 0; i < 256000; i++) print int(rand() * 2e9) - 1e9 }' > "$tmp/longer"
script -qec "set -m; '$prog' --parallel=1 < '$tmp/longer' > /dev/null & sleep 1.5; kill -INT \$!; wait \$!; echo \" status \$?\"" \
  "$tmp/typescript" > /dev/null
grep -aq ' status 130' "$tmp/typescript" || fail "SIGINT: not ended by it: $(tail -c 100 "$tmp/typescript")"
# After the last update, the erasing bytes.
awk -v RS='quadcount: record' 'END { printf "%s", $0 }' "$tmp/typescript" | grep -aq $'\033\\[K\r\033\\[K' ||
  fail "SIGINT: the status line is not erased: $(tail -c 120 "$tmp/typescript" | od -c | tail -5)"

[ $failures -eq 0 ] && echo "status line shown on a terminal only, fits its width, and erased at the end and on SIGINT"
[ $failures -eq 0 ]
