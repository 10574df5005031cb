#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (unit and integration) with CTest.
# Extra arguments go to ctest, e.g. scripts/test.sh -L unit
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh dev

# Tests keep their process and scratch files in temporary folders: a file that appears in the
# source tree during the run fails it.
untracked() { git status --porcelain --untracked-files=all 2>/dev/null | sed -n 's/^?? //p' | sort; }
before=$(untracked)
status=0
(cd build/dev && ctest --output-on-failure --no-tests=error -j2 "$@") || status=$?
left=$(comm -13 <(echo "$before") <(untracked))
if [ -n "$left" ]; then
  echo "The tests left files in the source tree:" >&2
  echo "$left" >&2
  status=1
fi
exit "$status"
