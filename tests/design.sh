#!/usr/bin/env bash
# Usage: design.sh SOURCE_DIR
# docs/DESIGN.md names every product file: each file of the programs' folders
# appears by its name, or as NAME.* for a header and its source.
set -u
root=$1
failures=0
for f in $(cd "$root" && find io machine tokens quadcount sumplus summinus -type f ! -name CMakeLists.txt | sort); do
  base=${f##*/}
  grep -qF -e "$base" -e "${base%.*}.*" "$root/docs/DESIGN.md" || { echo "FAIL docs/DESIGN.md does not name $f"; failures=$((failures + 1)); }
done
[ $failures -eq 0 ] && echo "docs/DESIGN.md names every product file"
[ $failures -eq 0 ]
