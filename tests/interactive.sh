#!/usr/bin/env bash
# Usage: interactive.sh PROGRAM
# A peer sends one case, waits for its answer, then sends the next: every
# answer must arrive while the program still waits for more input.
set -u
prog=$1
case $(basename "$prog") in
  quadcount) sends=($'3 2 1 1 1\n1 1\n1\n1\n0\n' $'0 1 1 1 1 5 -5 0 0\n' $'-1\t1 1 1 1 0 0 0 0 ')
             wants=(2 1 0) ;;
  sumplus)   sends=($'1234\n' $'-99\n' '100 ') wants=(1226 -199 20) ;;
  summinus)  sends=($'120\n' $'1\n' '007 ') wants=(110 0 006) ;;
  *) echo "no conversation for $prog"; exit 1 ;;
esac

coproc PEER { exec "$prog"; }
# bash forgets the coprocess's variables once it has ended: keep copies.
pid=$PEER_PID to=${PEER[1]} from=${PEER[0]}
for i in "${!sends[@]}"; do
  printf '%s' "${sends[$i]}" >&"$to"
  if ! IFS= read -r -t 10 line <&"$from"; then
    echo "no answer within 10 s to case $((i + 1))"
    kill "$pid" 2>/dev/null
    exit 1
  fi
  if [ "$line" != "${wants[$i]}" ]; then
    echo "case $((i + 1)): got '$line', want '${wants[$i]}'"
    kill "$pid" 2>/dev/null
    exit 1
  fi
done
exec {to}>&-
wait "$pid"
status=$?
[ "$status" -eq 0 ] || { echo "exit status $status after end of input"; exit 1; }
echo "all ${#sends[@]} answers arrived in turn"
