#!/usr/bin/env bash
# Usage: man_pages.sh BIN_DIR PAGE...
# Each manual page must format without a single groff warning, have the
# sections a reader looks for, and show examples that are true: every
# "$ command" line in an .EX block, run with the programs in BIN_DIR, must
# print exactly the lines that follow it.
set -u
bin=$1
shift
export PATH="$bin:$PATH"
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
for page in "$@"; do
  warnings=$(groff -ww -man -z "$page" 2>&1)
  [ -z "$warnings" ] || fail "$page: $warnings"
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -qx "\.SH \"\?$section\"\?" "$page" || fail "$page: no $section"
  done
  # Each example as "command<TAB>expected output, lines joined by |".
  examples=$(awk '
    /^\.EX/ { inex = 1; next }
    /^\.EE/ { if (cmd != "") print cmd "\t" want; inex = 0; cmd = ""; next }
    inex {
      gsub(/\\-/, "-"); gsub(/\\e/, "\\")
      if (substr($0, 1, 2) == "$ ") { if (cmd != "") print cmd "\t" want; cmd = substr($0, 3); want = "" }
      else want = want (want == "" ? "" : "|") $0
    }' "$page")
  [ -n "$examples" ] || fail "$page: no example to run"
  while IFS=$'\t' read -r cmd want; do
    got=$(bash -c "$cmd" 2>&1 | paste -sd '|')
    [ "$got" = "$want" ] || fail "$page: '$cmd' printed '$got', the page says '$want'"
  done <<< "$examples"
done
[ $failures -eq 0 ] && echo "$# pages clean, their examples true"
[ $failures -eq 0 ]
