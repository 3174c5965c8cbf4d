#!/usr/bin/env bash
# Usage: invalid.sh PROGRAM
# --invalid=MODE. A table of inputs the format does not expect, each with the
# lines warn must say. In every mode the answers are those of the default
# (ignore, which says nothing); warn and fail say every line, fail then
# exits 2; abort says the first and exits 2 after the answers before it.
# A part of quadcount's split run says what the whole run says.
# Then random bytes, and a token too long to hold with a fault past its first
# part: warn's answers are ignore's.
set -u
prog=$1
source "$(dirname "$0")/support/expect.sh"

# case PRINTF-INPUT [LINE]...: the input (a printf format) and the lines warn says.
case_() {
  local input=$1 mode status
  shift
  printf "$input" > "$tmp/in"
  : > "$tmp/want_err"
  for line in "$@"; do echo "$name: $line" >> "$tmp/want_err"; done
  "$prog" < "$tmp/in" > "$tmp/plain" 2> "$tmp/err"; status=$?
  [ $status -eq 0 ] && [ ! -s "$tmp/err" ] || fail "'$input' unchecked: status $status, $(cat "$tmp/err")"
  for mode in ignore warn fail abort; do
    "$prog" --invalid=$mode < "$tmp/in" > "$tmp/out" 2> "$tmp/err"; status=$?
    local want_status=0 want_err=$tmp/want_err
    case $mode in
      ignore) want_err=/dev/null ;;
      fail) [ $# -gt 0 ] && want_status=2 ;;
      abort) [ $# -gt 0 ] && want_status=2; head -n 1 "$tmp/want_err" > "$tmp/first"; want_err=$tmp/first ;;
    esac
    [ $status -eq $want_status ] || fail "'$input' --invalid=$mode: status $status, want $want_status"
    cmp -s "$tmp/err" "$want_err" || fail "'$input' --invalid=$mode said: $(cat "$tmp/err"), want: $(cat "$want_err")"
    if [ $mode = abort ] && [ $# -gt 0 ]; then
      [ "$(head -c "$(wc -c < "$tmp/out")" "$tmp/plain")" = "$(cat "$tmp/out")" ] ||
        fail "'$input' --invalid=abort: answers not a beginning of the unchecked ones"
    else
      cmp -s "$tmp/out" "$tmp/plain" || fail "'$input' --invalid=$mode: answers differ from the unchecked ones"
    fi
  done
  # A part that reads past the records others count says the same.
  if [ $name = quadcount ]; then
    "$prog" --invalid=warn --part=1/3 < "$tmp/in" > /dev/null 2> "$tmp/err"
    cmp -s "$tmp/err" "$tmp/want_err" || fail "'$input' --part=1/3 --invalid=warn said: $(cat "$tmp/err")"
  fi
}

case $name in
  quadcount)
    case_ '3 2 1 1 1 1 1 1 1 0\n0 0 0 0 0\n'
    case_ '3 2 1 1 1 1 x 1 1 0\n3 2 1 1 1 1 1 1 1 0\n' \
      "record 1, list 1, element 2 'x': not a number; it and the rest of the record take 0, and the run ends after it"
    case_ '5 1 1 1 1 2 2 2 2\n1 1 1 1 1 4294967296 0 0 0\n' \
      "record 2, list 1, element 1 '4294967296': out of range; it and the rest of the record take 2147483647, and the run ends after it"
    case_ '99999999999999999999999 1 1 1 1 1 1 1 1\n' \
      "record 1, Limit '99999999999999999999999': out of range; the run ends"
    case_ '3 +2 1 1 1 1 007 1 12a 0\n' "record 1, S '+2': a '+' sign; read as 2" \
      "record 1, list 1, element 2 '007': a leading zero; read as 7" \
      "record 1, list 3, element 1 '12a': 'a' at byte 3, not a digit; read as 12, the rest as the next number" \
      "record 1, list 4, element 1 'a' (the rest of a token): not a number; it and the rest of the record take 0, and the run ends after it"
    case_ '9 1 1 1 1 1-2 1 1\n' \
      "record 1, list 1, element 1 '1-2': '-' at byte 2, not a digit; read as 1, the rest as the next number"
    case_ '3 -1 1 1 1 2 3 4\n0 0 0 0 0' "record 1, S -1: a negative count; the list is empty"
    case_ '3 2 1 1 1 1\0 1 1 1 0' \
      "record 1, list 1, element 1 '1\\x00': a NUL byte at byte 2, not a digit; read as 1, the rest as the next number" \
      "record 1, list 1, element 2 '\\x00' (the rest of a token): not a number; it and the rest of the record take 0, and the run ends after it"
    case_ '3 2 1 1 1 7 7 7' \
      "record 1, list 3: the input ends after 0 of 1 elements; the rest of the record takes 7, and the run ends after it"
    case_ '1 1 1 1 1 1 1 1 1\n3 2 1' "record 2: the input ends inside its header; the run ends"
    case_ '1 1 1 1 1 1 1 1 1 12345678901234567890123456789 1 1 1 1' \
      "record 2, Limit '123456789012345678901234'...: out of range; the run ends"
    ;;
  sumplus)
    case_ '123 -99 0 -0 END 5\n'
    case_ '1,000\n12.0\n' "token 1 '1,000': ',' at byte 2, not a digit" "token 2 '12.0': '.' at byte 3, not a digit"
    case_ '5 +5 007 - END2 1\0002 END x' "token 2 '+5': a '+' sign" "token 3 '007': a leading zero" \
      "token 4 '-': no digits" "token 5 'END2': 'E' at byte 1, not a digit" "token 6 '1\\x002': a NUL byte at byte 2"
    case_ '12345678901234567890123456789x\n' \
      "token 1 '123456789012345678901234'...: 'x' at byte 30, not a digit"
    ;;
  summinus)
    case_ '120 909 100 1 END 0\n'
    case_ '7 +5 007 -5 0 00 1,0 END' "token 2 '+5': a '+' sign" "token 3 '007': a leading zero" \
      "token 4 '-5': a '-' sign" "token 5 '0': not a positive number" "token 6 '00': a leading zero" \
      "token 7 '1,0': ',' at byte 2, not a digit"
    ;;
esac

# An operand is named as one.
[ "$("$prog" --invalid=warn 1 x 2>&1 > /dev/null)" = "$name: $([ $name = quadcount ] &&
  echo "record 1, S 'x': not a number; the run ends" || echo "operand 2 'x': 'x' at byte 1, not a digit")" ] ||
  fail "an operand: $("$prog" --invalid=warn 1 x 2>&1 > /dev/null)"

# Random bytes, digits and whitespace: the checked run answers as the unchecked one.
for seed in 1 2 3 4 5; do
  awk -v seed=$seed 'BEGIN { srand(seed); s = "0123456789  \n-+x0"
    for (i = 0; i < 20000; i++) printf "%s", substr(s, int(rand() * length(s)) + 1, 1) }' > "$tmp/random"
  "$prog" < "$tmp/random" > "$tmp/plain"
  "$prog" --invalid=warn < "$tmp/random" > "$tmp/out" 2> /dev/null
  cmp -s "$tmp/out" "$tmp/plain" || fail "random input $seed: the checked answers differ"
done

# A token too long to hold, whose fault comes after its first part: answered
# as without the check, then told.
if [ $name != quadcount ]; then
  { printf 31; head -c 3000000 /dev/zero | tr '\0' 0; printf 'x 5\n'; } > "$tmp/long"
  "$prog" < "$tmp/long" > "$tmp/plain"
  "$prog" --invalid=warn < "$tmp/long" > "$tmp/out" 2> "$tmp/err"
  cmp -s "$tmp/out" "$tmp/plain" || fail "a long token: the checked answers differ"
  [ "$(cat "$tmp/err")" = "$name: token 1 '310000000000000000000000'...: 'x' at byte 3000003, not a digit" ] ||
    fail "a long token: said $(cat "$tmp/err")"
fi

[ $failures -eq 0 ] && echo "--invalid: every mode as asked, answers unchanged"
[ $failures -eq 0 ]
