#!/usr/bin/env bash
# Configures (once) and builds a preset: scripts/build.sh [preset] (default "dev").
set -euo pipefail
cd "$(dirname "$0")/.."
preset=${1:-dev}
if [ ! -f "build/$preset/build.ninja" ]; then
  cmake --preset "$preset" >/dev/null
fi
cmake --build --preset "$preset"
