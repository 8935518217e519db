#!/usr/bin/env bash
# Sets up, builds and runs every test. Arguments are passed to ctest
# (for example: -L unit, -L integration, -R TSpComm).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure -j "$(nproc)" "$@")
# The whole run (no slice asked for) goes on with the sanitized builds, as CI
# runs it; ZQ735_SANITIZERS=0 leaves them out.
if [ "$#" -eq 0 ] && [ "${ZQ735_SANITIZERS:-1}" != 0 ]; then
    bash scripts/sanitizers.sh
fi
