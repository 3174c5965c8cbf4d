#!/usr/bin/env bash
# Usage: io_errors.sh PROGRAM
# I/O faults as a user meets them. A failed read or write ends the program
# promptly with status 1 and one line "<name>: read|write error: <reason>";
# so does running out of memory ("<name>: out of memory"), the answers
# before it kept; a reader that goes away ends it by SIGPIPE; empty input is
# no error.
set -u
prog=$1
name=$(basename "$prog")
case $name in
  quadcount) record='10 1 1 1 1 1 2 3 4' ;;
  *) record='123' ;;
esac
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# expect NAME STATUS STDERR_PATTERN: checks $tmp/status and $tmp/err
expect() {
  local what=$1 want_status=$2 pattern=$3 status lines
  status=$(cat "$tmp/status")
  lines=$(wc -l < "$tmp/err")
  if [ "$status" != "$want_status" ]; then
    echo "FAIL $what: exit status $status, want $want_status; stderr: $(cat "$tmp/err")"; failures=$((failures + 1)); return
  fi
  if [ -z "$pattern" ]; then
    if [ -s "$tmp/err" ]; then echo "FAIL $what: unexpected diagnostic: $(cat "$tmp/err")"; failures=$((failures + 1)); return; fi
  elif [ "$lines" -ne 1 ] || ! grep -qx -- "$pattern" "$tmp/err"; then
    echo "FAIL $what: diagnostic '$(cat "$tmp/err")', want one line matching '$pattern'"
    failures=$((failures + 1)); return
  fi
  echo "ok   $what"
}

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
# quadcount loads its vector sort, linked to Highway's library, to sort a
# list of 32 Ki values or more; where it cannot be loaded, std::sort takes
# its place, with the same answer, and one line says so.
if [ "$name" = quadcount ]; then
  { echo 39998 40000 1 1 1; seq 40000 -1 1; echo 0 0 0; } > "$tmp/tall"
  mkdir "$tmp/nolib"; : > "$tmp/nolib/libhwy_contrib.so.1"
  LD_LIBRARY_PATH=$tmp/nolib "$prog" < "$tmp/tall" > "$tmp/out" 2> "$tmp/err"; echo $? > "$tmp/status"
  expect "without Highway's library" 0 "quadcount: the vector sort is not loaded (.*libhwy_contrib.so.1: .*); sorting without it"
  [ "$(cat "$tmp/out")" = 39998 ] || fail "without Highway's library: $(cat "$tmp/out")"
fi

[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
