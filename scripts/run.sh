#!/usr/bin/env bash
# Sets up the machine, builds Brindle and launches it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh dev
exec build/dev/src/app/brindle "$@"
