#!/usr/bin/env bash
# Usage: check_case.sh PROGRAM CASE.in
# Runs PROGRAM on CASE.in; its standard output must equal CASE.out byte for
# byte, its standard error must stay empty and its exit status be 0.
set -u
prog=$1
input=$2
want=${input%.in}.out
out=$(mktemp)
err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

timeout 60 "$prog" < "$input" > "$out" 2> "$err"
status=$?
fail=0
if [ "$status" -ne 0 ]; then echo "exit status $status, want 0"; fail=1; fi
if [ -s "$err" ]; then echo "unexpected standard error:"; cat "$err"; fail=1; fi
if ! cmp -s "$out" "$want"; then
  echo "output differs from $want (od -c, want then got):"
  diff <(od -c "$want") <(od -c "$out") | head -40
  fail=1
fi
exit $fail
