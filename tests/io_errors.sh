#!/usr/bin/env bash
# Usage: io_errors.sh PROGRAM
# I/O faults as a user meets them. A failed read or write ends the program
# promptly with status 1 and one line "<name>: read|write error: <reason>",
# the answers before it kept; a reader that goes away ends it by SIGPIPE;
# empty input is no error. And a number too long to hold goes out alike to
# a pipe, a file and a file opened for appending.
set -u
prog=$1
source "$(dirname "$0")/support/expect.sh"
case $name in
  quadcount) record='10 1 1 1 1 1 2 3 4' ;;
  *) record='123' ;;
esac

# Endless input into a full device: diagnosed within seconds, not never.
timeout 10 bash -c 'yes "$1" | "$2" > /dev/full; echo "${PIPESTATUS[1]}" > "$3"' _ "$record" "$prog" "$tmp/status" 2> "$tmp/err"
[ -s "$tmp/status" ] || echo 124 > "$tmp/status"
expect "endless input to /dev/full" 1 "$name: write error: No space left on device"

echo "$record" > "$tmp/one"
"$prog" < "$tmp/one" > /dev/full 2> "$tmp/err"; echo $? > "$tmp/status"
expect "one answer to /dev/full" 1 "$name: write error: No space left on device"

"$prog" < "$tmp/one" >&- 2> "$tmp/err"; echo $? > "$tmp/status"
expect "standard output closed" 1 "$name: write error: Bad file descriptor"

"$prog" < /dev/null >&- 2> "$tmp/err"; echo $? > "$tmp/status"
expect "standard output closed, nothing to write" 0 ""

"$prog" < / > /dev/null 2> "$tmp/err"; echo $? > "$tmp/status"
expect "standard input a directory" 1 "$name: read error: Is a directory"

"$prog" <&- > /dev/null 2> "$tmp/err"; echo $? > "$tmp/status"
expect "standard input closed" 1 "$name: read error: Bad file descriptor"

for input in '' $' \n\t\r\v\f  \n'; do
  printf '%s' "$input" | "$prog" > "$tmp/out" 2> "$tmp/err"; echo $? > "$tmp/status"
  if [ -s "$tmp/out" ]; then echo "FAIL empty input: output $(cat "$tmp/out")"; failures=$((failures + 1)); fi
  expect "input of ${#input} whitespace bytes" 0 ""
done

# The reader goes away: SIGPIPE ends the program (status 141), silently.
if (( ($(awk '/^SigIgn/ {print "0x" $2}' /proc/self/status) >> 12) & 1 )); then
  echo "skip reader-goes-away: SIGPIPE is ignored in this environment"
else
  yes "$record" | head -c 20000000 > "$tmp/big"
  timeout 10 bash -c '"$1" < "$2" | head -n 1 > /dev/null; echo "${PIPESTATUS[0]}" > "$3"' _ "$prog" "$tmp/big" "$tmp/status" 2> "$tmp/err"
  expect "reader goes away early" 141 ""
fi

# A number too long to hold in the input's window: sumplus writes its answer
# alike to a pipe, to a file, and to a file opened for appending (where
# sendfile() is refused and the bytes pass through the buffer).
if [ "$name" = sumplus ]; then
  { printf 3; head -c 3000000 /dev/zero | tr '\0' 5; echo; } > "$tmp/long"
  { printf 3; head -c 2999998 /dev/zero | tr '\0' 5; echo 47; } > "$tmp/want"
  "$prog" < "$tmp/long" | cat > "$tmp/out"
  cmp -s "$tmp/out" "$tmp/want" || fail "a long number through a pipe: $(head -c 20 "$tmp/out")"
  "$prog" < "$tmp/long" > "$tmp/out"
  cmp -s "$tmp/out" "$tmp/want" || fail "a long number to a file: $(head -c 20 "$tmp/out")"
  : > "$tmp/out"; "$prog" < "$tmp/long" >> "$tmp/out"
  cmp -s "$tmp/out" "$tmp/want" || fail "a long number to a file opened for appending: $(head -c 20 "$tmp/out")"
fi
done_
