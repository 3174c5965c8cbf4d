#!/usr/bin/env bash
# Usage: progress.sh PROGRAM
# The status line of a long record: on a terminal (a pseudo-terminal from
# script(1)), a record of several seconds shows its progress on standard
# error, one column short of the terminal's width, and the line is erased
# before the answer, and when SIGINT or SIGTERM stops the program, which
# then dies by that signal. A short record shows none, and where standard
# error is not a terminal nothing at all is written there. The answer is the
# same either way.
set -u
prog=$1
source "$(dirname "$0")/support/expect.sh"

# 4 lists of n values in +-10^9: 4 x 48,000 takes seconds on one thread on
# any machine (3 s on a Zen 5), 4 x 64,000 more; 4 x 1,000 milliseconds.
wide() {
  awk -v n="$1" 'BEGIN { srand(2); print 0, n, n, n, n
                         for (i = 0; i < 4 * n; i++) print int(rand() * 2e9) - 1e9 }' > "$tmp/$1"
}
wide 48000
wide 64000
wide 1000

# The bytes written to the terminal, and each update as the screen shows it.
terminal() { sed '1d;$d' "$tmp/typescript"; }  # script(1) frames them with a line before and after
updates() { terminal | tr '\r' '\n' | sed 's/\x1b\[K//g' | grep -a '^quadcount: '; }

"$prog" < "$tmp/48000" > "$tmp/want" 2> "$tmp/err" || fail "status $? without a terminal"
[ -s "$tmp/err" ] && fail "standard error not a terminal, yet written: $(head -c 200 "$tmp/err")"

# A whole run at 200 columns: updates whole, the last erased before the answer.
script -qec "stty cols 200; '$prog' --parallel=1 < '$tmp/48000' > '$tmp/got'" "$tmp/typescript" > /dev/null ||
  fail "status $? on a terminal"
cmp -s "$tmp/got" "$tmp/want" || fail "the answer differs on a terminal"
updates | grep -aq '^quadcount: record 1: .*% done, .* s elapsed, about .* s left$' ||
  fail "no whole status line at 200 columns: $(terminal | head -c 300 | od -c | head -5)"
[ "$(terminal | tail -c 5 | od -An -c | tr -s ' ')" = " \r 033 [ K \n" ] ||
  fail "the status line is not erased at the end: $(terminal | tail -c 40 | od -c)"

# stopped SIGNAL COLUMNS: 4 x 64,000 on a terminal that wide, stopped by the
# signal after 1.5 s (job control on, so that the shell leaves SIGINT to it):
# it dies by that signal, its updates fit, and the last is erased.
stopped() {
  local signal=$1 cols=$2 status longest
  script -qec "stty cols $cols; set -m; '$prog' --parallel=1 < '$tmp/64000' > /dev/null & sleep 1.5; kill -$signal \$!; wait \$!; echo \" status \$?\"" \
    "$tmp/typescript" > /dev/null
  status=$(grep -ao ' status [0-9]*' "$tmp/typescript" | tail -n 1)
  [ "$status" = " status $((128 + $(kill -l "$signal")))" ] || fail "$signal: not ended by it but$status"
  updates > "$tmp/updates"
  [ -s "$tmp/updates" ] || fail "$signal at $cols columns: no status line"
  longest=$(awk '{ if (length > n) n = length } END { print n + 0 }' "$tmp/updates")
  [ "$longest" -le $((cols - 1)) ] || fail "$cols columns: an update of $longest characters"
  awk -v RS='quadcount: record' 'END { printf "%s", $0 }' "$tmp/typescript" | grep -aq $'\033\\[K\r\033\\[K' ||
    fail "$signal: the status line is not erased: $(tail -c 120 "$tmp/typescript" | od -c | tail -5)"
}
stopped INT 40
stopped TERM 60

# A short record: no status line, even on a terminal.
script -qec "'$prog' < '$tmp/1000' > /dev/null" "$tmp/typescript" > /dev/null
terminal | grep -aq 'quadcount: ' && fail "a status line for a short record: $(terminal | head -c 200)"

[ $failures -eq 0 ] && echo "status line on a terminal for a long record only, fits its width, erased at the end and on signals"
[ $failures -eq 0 ]
