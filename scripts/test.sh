#!/usr/bin/env bash
# Sets up, builds and runs every test. Arguments are passed to ctest
# (for example: -L unit, -L integration, -R TSpComm).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure -j "$(nproc)" "$@")
# With ZQ735_SANITIZERS=1 the whole run (no slice asked for) goes on with the
# sanitized builds. They are not part of the default run until their time on
# a 2-core machine has been measured end to end.
if [ "$#" -eq 0 ] && [ "${ZQ735_SANITIZERS:-0}" = 1 ]; then
    bash scripts/sanitizers.sh
fi
