#!/usr/bin/env bash
# Sets up, builds and runs every test. Arguments are passed to ctest
# (for example: -L unit, -L integration, -R TSpComm).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd "${BUILD_DIR:-build}"
ctest --output-on-failure -j "$(nproc)" "$@"
