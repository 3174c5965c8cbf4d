#!/usr/bin/env bash
# Usage: cli.sh PROGRAM
# The command line: --help and --version answer and exit 0; any other
# argument is a usage error (status 2, one line on standard error) that never
# waits for standard input.
set -u
prog=$1
name=$(basename "$prog")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

"$prog" --help > "$tmp/out" 2> "$tmp/err" < /dev/null; status=$?
[ $status -eq 0 ] && head -n 1 "$tmp/out" | grep -q "^Usage: $name " && [ ! -s "$tmp/err" ] ||
  fail "--help: status $status, output $(head -n 1 "$tmp/out")"

"$prog" --version > "$tmp/out" 2> "$tmp/err" < /dev/null; status=$?
[ $status -eq 0 ] && grep -qx "$name [0-9][0-9.]*" "$tmp/out" && [ ! -s "$tmp/err" ] ||
  fail "--version: status $status, output $(cat "$tmp/out")"

# A usage error must not read standard input: give it one that never ends.
for args in "numbers.txt" "-" "-h" "--help --version" "--version x" "--helpx"; do
  # shellcheck disable=SC2086
  timeout 5 "$prog" $args > "$tmp/out" 2> "$tmp/err" < <(yes 1); status=$?
  if [ $status -ne 2 ] || [ -s "$tmp/out" ] || [ "$(wc -l < "$tmp/err")" -ne 1 ] ||
     ! grep -q "^$name: unexpected argument '" "$tmp/err"; then
    fail "'$args': status $status, stderr $(cat "$tmp/err")"
  fi
done

"$prog" --help > /dev/full 2> "$tmp/err"; status=$?
[ $status -eq 1 ] && grep -qx "$name: write error: No space left on device" "$tmp/err" ||
  fail "--help to /dev/full: status $status, stderr $(cat "$tmp/err")"

[ $failures -eq 0 ] && echo "command line ok"
[ $failures -eq 0 ]
