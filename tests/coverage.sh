#!/usr/bin/env bash
# Usage: tests/coverage.sh
# Builds the coverage preset, runs the whole suite and reports line and
# branch coverage of the programs' own code (io/, tokens/, machine/ and the
# three programs).
# Needs gcovr (apt-get install gcovr).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
find build-coverage -name '*.gcda' -delete 2> /dev/null || true
cmake --workflow --preset coverage > build-coverage.log 2>&1 || { tail -20 build-coverage.log; exit 1; }
gcovr --root "$root" --object-directory build-coverage --exclude-directories build-coverage/CMakeFiles \
  --filter 'io/' --filter 'tokens/' --filter 'machine/' --filter 'quadcount/' --filter 'sumplus/' --filter 'summinus/' \
  --exclude-throw-branches --exclude-unreachable-branches --branches "$@" build-coverage
gcovr --root "$root" --object-directory build-coverage --exclude-directories build-coverage/CMakeFiles \
  --filter 'io/' --filter 'tokens/' --filter 'machine/' --filter 'quadcount/' --filter 'sumplus/' --filter 'summinus/' \
  --exclude-throw-branches --exclude-unreachable-branches --print-summary \
  -o build-coverage/coverage.txt build-coverage
