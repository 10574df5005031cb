#!/usr/bin/env bash
# Builds the release preset and runs every benchmark under bench/ (or those named).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh dev
for b in build/dev/bench/*/*; do
  [ -x "$b" ] && [ -f "$b" ] || continue
  if [ $# -eq 0 ] || printf '%s\n' "$@" | grep -qx "$(basename "$b")"; then
    echo "== $(basename "$b")"
    "$b"
  fi
done
