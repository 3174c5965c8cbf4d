#!/usr/bin/env bash
# Usage: package.sh BUILD_DIR
# Installs the build into a scratch prefix, and makes the .deb and unpacks it
# with dpkg -x (no root changes); in both places the programs must run the
# examples as the built ones do, and the manual pages must be there. The .deb
# must carry a machine-readable copyright file and a changelog for its version.
set -u
build=$(cd "$1" && pwd)
root=$(cd "$(dirname "$0")/.." && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# check PREFIX: the installed programs and pages under PREFIX.
check() {
  local prefix=$1 p
  for p in quadcount sumplus summinus; do
    [ -x "$prefix/bin/$p" ] || { fail "$prefix/bin/$p missing"; continue; }
    [ -s "$prefix/share/man/man1/$p.1.gz" ] || fail "$prefix/share/man/man1/$p.1.gz missing"
    "$prefix/bin/$p" < "$root/examples/$p.txt" > "$tmp/got" || fail "$p from $prefix failed"
    "$build/bin/$p" < "$root/examples/$p.txt" > "$tmp/want"
    cmp -s "$tmp/got" "$tmp/want" || fail "$p from $prefix answers differently"
    zcat "$prefix/share/man/man1/$p.1.gz" | groff -ww -man -z 2>&1 | grep . && fail "$p.1.gz does not format cleanly"
  done
  # Completion of the options, for each program.
  for p in quadcount sumplus summinus; do
    [ "$(bash -c 'source "$1"; COMP_WORDS=("$2" --invalid = w); COMP_CWORD=3; _numfilters "$2"; echo "${COMPREPLY[*]}"' \
         _ "$prefix/share/bash-completion/completions/$p" $p)" = warn ] || fail "$p: no completion from $prefix"
  done
  # Long lists are sorted by vqsort, from the plugin installed beside the
  # program: --version loads it, and a sort that fell back would say so.
  "$prefix/bin/quadcount" --version | grep -q "^sort of long lists: vqsort (Highway [0-9.]*), from $prefix/bin/../lib/" ||
    fail "quadcount from $prefix: $("$prefix/bin/quadcount" --version | grep sort)"
  "$prefix/bin/quadcount" --parallel=1 < "$tmp/long" > "$tmp/got" 2> "$tmp/err"
  "$build/bin/quadcount" --parallel=1 < "$tmp/long" > "$tmp/want"
  cmp -s "$tmp/got" "$tmp/want" && [ ! -s "$tmp/err" ] || fail "quadcount from $prefix on long lists: $(cat "$tmp/err")"
}


# A record whose lists are long enough for vqsort.
awk 'BEGIN { srand(7); print 0, 40000, 40000, 3, 3
             for (i = 0; i < 80006; i++) print int(rand() * 2e9) - 1e9 }' > "$tmp/long"

cmake --install "$build" --prefix "$tmp/prefix" > /dev/null || fail "cmake --install"
check "$tmp/prefix"

# Where the plugin cannot be loaded (copied alone, or with a broken Highway
# library), long lists are sorted without it, with the same answers, and
# the first such sort says so, once.
mkdir "$tmp/nolib"; : > "$tmp/nolib/libhwy_contrib.so.1"
LD_LIBRARY_PATH=$tmp/nolib "$build/bin/quadcount" < "$tmp/long" > "$tmp/got" 2> "$tmp/err"
"$build/bin/quadcount" < "$tmp/long" > "$tmp/want"
cmp -s "$tmp/got" "$tmp/want" &&
  grep -qx "quadcount: the vector sort is not loaded (.*libhwy_contrib.so.1: .*); sorting without it" "$tmp/err" &&
  [ "$(wc -l < "$tmp/err")" = 1 ] || fail "quadcount with a broken Highway library: $(cat "$tmp/err")"
mkdir "$tmp/alone" && cp "$build/bin/quadcount" "$tmp/alone/"
"$tmp/alone/quadcount" < "$tmp/long" > "$tmp/got" 2> "$tmp/err"
"$build/bin/quadcount" < "$tmp/long" > "$tmp/want"
cmp -s "$tmp/got" "$tmp/want" && [ "$(grep -c 'the vector sort is not loaded' "$tmp/err")" = 1 ] ||
  fail "quadcount without its plugin: $(cat "$tmp/err")"

(cd "$build" && cpack -G DEB -B "$tmp/deb" > "$tmp/cpack.log" 2>&1) || { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(ls "$tmp"/deb/*.deb 2> /dev/null | head -n 1)
if [ -z "$deb" ]; then
  fail "no .deb made"
else
  for field in Package Version Architecture Maintainer Depends Description; do
    [ -n "$(dpkg-deb -f "$deb" "$field")" ] || fail "the .deb has no $field"
  done
  dpkg-deb -f "$deb" Depends | grep -q libc6 || fail "Depends does not name libc6"
  dpkg-deb -f "$deb" Depends | grep -q libhwy1 || fail "Depends does not name libhwy1, which the sort plugin links"
  [ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "wrong Architecture"
  dpkg -x "$deb" "$tmp/root"
  check "$tmp/root/usr"
  doc=$tmp/root/usr/share/doc/$(dpkg-deb -f "$deb" Package)
  head -n 1 "$doc/copyright" | grep -qx 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' &&
    grep -qx 'Copyright: [0-9-]* The numfilters authors' "$doc/copyright" &&
    grep -q '^ Permission is hereby granted' "$doc/copyright" || fail "no machine-readable copyright in the .deb"
  gzip -dc "$doc/changelog.gz" > "$tmp/changelog" &&
    [ "$(dpkg-parsechangelog -l "$tmp/changelog" -S Version)" = "$(dpkg-deb -f "$deb" Version)" ] ||
    fail "the .deb's changelog.gz has no entry for its version"
  echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version), depends on $(dpkg-deb -f "$deb" Depends)"
fi
[ $failures -eq 0 ]
