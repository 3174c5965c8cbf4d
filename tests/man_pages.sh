#!/usr/bin/env bash
# Usage: man_pages.sh PAGE...
# Each manual page must format without a single groff warning and have the
# sections a reader looks for.
set -u
failures=0
for page in "$@"; do
  warnings=$(groff -ww -man -z "$page" 2>&1)
  if [ -n "$warnings" ]; then echo "FAIL $page: $warnings"; failures=$((failures + 1)); fi
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -qx "\.SH \"\?$section\"\?" "$page" || { echo "FAIL $page: no $section"; failures=$((failures + 1)); }
  done
done
[ $failures -eq 0 ] && echo "$# pages clean"
[ $failures -eq 0 ]
