#!/usr/bin/env bash
# Sets up, builds and starts the simulated instrument, then checks the
# connection to it through the program's own serial code.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
exec build/app/zq735-check --simulate "$@"
