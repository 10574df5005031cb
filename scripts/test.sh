#!/usr/bin/env bash
# Sets up the machine, builds everything and runs every test (unit and integration) with CTest.
# Extra arguments go to ctest, e.g. scripts/test.sh -L unit
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh dev
cd build/dev
exec ctest --output-on-failure --no-tests=error -j2 "$@"
