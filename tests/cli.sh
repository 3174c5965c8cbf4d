#!/usr/bin/env bash
# Usage: cli.sh PROGRAM
# The command line: --help and --version answer and exit 0; operands are the
# input, read as standard input would be, and standard input is then left
# alone; an unknown option is a usage error (status 2, one line on standard
# error) that never waits for standard input.
set -u
prog=$1
source "$(dirname "$0")/support/expect.sh"

"$prog" --help > "$tmp/out" 2> "$tmp/err" < /dev/null; status=$?
[ $status -eq 0 ] && head -n 1 "$tmp/out" | grep -q "^Usage: $name " && [ ! -s "$tmp/err" ] ||
  fail "--help: status $status, output $(head -n 1 "$tmp/out")"

"$prog" --version > "$tmp/out" 2> "$tmp/err" < /dev/null; status=$?
[ $status -eq 0 ] && grep -qx "$name [0-9][0-9.]*" "$tmp/out" && [ ! -s "$tmp/err" ] ||
  fail "--version: status $status, output $(cat "$tmp/out")"

# A usage error must not read standard input: give it one that never ends.
# Only quadcount takes a thread count, from 1 to 1024.
bad=("-h" "-x1" "--frobnicate" "--help --version" "--version x" "5 --help" "--helpx" "--parallel=0"
     "--parallel=1025" "--parallel=x" "--parallel=" "--parallel=-1" "--parallel=2x" "--parallel" "--parallelx=2"
     "--part=0/2" "--part=3/2" "--part=1/0" "--part=1" "--part=1/2x" "--part=/2" "--part=-1/2" "--part")
[ "$name" = quadcount ] || bad+=("--parallel=2" "--part=1/2")
for args in "${bad[@]}"; do
  # shellcheck disable=SC2086
  timeout 5 "$prog" $args > "$tmp/out" 2> "$tmp/err" < <(yes 1); status=$?
  if [ $status -ne 2 ] || [ -s "$tmp/out" ] || [ "$(wc -l < "$tmp/err")" -ne 1 ] ||
     ! grep -Eq "^$name: (unknown option '-|'--[a-z]+' must be the only argument|invalid value '.*' for '--(parallel|part)'|option '--(parallel|part)' needs a value)" "$tmp/err"; then
    fail "'$args': status $status, stderr $(cat "$tmp/err")"
  fi
done

# Operands are the whole input, the same as that text on standard input;
# standard input, endless here, is not read. Negative numbers and a lone "-"
# are operands; after "--" everything is.
case $name in
  quadcount) operands=(3 2 1 1 1 1 1 1 1 0 -3 1 1 1 1 -1 -1 -1 -1) ;;
  sumplus) operands=(123 -99 - 5 END 6) ;;
  *) operands=(120 007 - -10 END 6) ;;
esac
options=("" "--")
[ "$name" = quadcount ] && options+=("--parallel=1" "--parallel 1024 --" "--part=1/1")
for dashdash in "${options[@]}"; do
  # shellcheck disable=SC2086
  timeout 5 "$prog" $dashdash "${operands[@]}" > "$tmp/out" 2> "$tmp/err" < <(yes 1); status=$?
  echo "${operands[*]}" | "$prog" > "$tmp/want"
  [ $status -eq 0 ] && [ -s "$tmp/want" ] && cmp -s "$tmp/out" "$tmp/want" && [ ! -s "$tmp/err" ] ||
    fail "operands '$dashdash ${operands[*]}': status $status, output $(cat "$tmp/out")"
done
[ "$("$prog" -- -h --help 2> /dev/null)" = "$(echo "-h --help" | "$prog")" ] || fail "operands after --"
[ "$(echo 5 | "$prog" --)" = "$(echo 5 | "$prog")" ] || fail "'--' alone reads standard input"

# Threads: as many as the affinity mask allows, so none under `taskset` to
# one CPU; as OMP_NUM_THREADS says, at most OMP_THREAD_LIMIT, as nproc
# counts; two with --parallel=2, whatever those say (a 4 x 8,000 record is
# worth two). Not
# in a sanitized build: its leak checker starts a thread, and fails under
# ptrace.
if [ "$name" = quadcount ] && command -v strace > /dev/null && command -v taskset > /dev/null &&
   ! grep -qa __asan_init "$prog"; then
  awk 'BEGIN { srand(3); print 0, 8000, 8000, 8000, 8000
               for (i = 0; i < 32000; i++) print int(rand() * 2e9) - 1e9 }' > "$tmp/wide"
  one="taskset -c $(taskset -pc $$ | sed 's/.*: //; s/[-,].*//')"
  omp="env -u OMP_NUM_THREADS -u OMP_THREAD_LIMIT"
  for run in "$omp $one $prog 0" "$omp OMP_NUM_THREADS=2 $one $prog 1" "$omp OMP_NUM_THREADS=2,4 $one $prog 1" \
             "$omp OMP_NUM_THREADS=4 OMP_THREAD_LIMIT=1 $prog 0" "$omp OMP_THREAD_LIMIT=1 $prog --parallel=2 1"; do
    want=${run##* } run=${run% *}
    # shellcheck disable=SC2086
    strace -f -qq -e trace=clone,clone3 -o "$tmp/trace" $run < "$tmp/wide" > /dev/null
    [ "$(grep -c clone "$tmp/trace")" = "$want" ] || fail "$run started $(grep -c clone "$tmp/trace") threads, want $want"
  done
fi

"$prog" --help > /dev/full 2> "$tmp/err"; status=$?
[ $status -eq 1 ] && grep -qx "$name: write error: No space left on device" "$tmp/err" ||
  fail "--help to /dev/full: status $status, stderr $(cat "$tmp/err")"

[ $failures -eq 0 ] && echo "command line ok"
[ $failures -eq 0 ]
