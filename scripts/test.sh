#!/usr/bin/env bash
# Sets up, builds and runs every test. Arguments are passed to ctest
# (for example: -L unit, -L integration, -R TSpComm).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
(cd "${BUILD_DIR:-build}" && ctest --output-on-failure -j "$(nproc)" "$@")
# A whole run (no slice asked for) goes on with the sanitized builds:
# AddressSanitizer + UndefinedBehaviorSanitizer over every test, and
# ThreadSanitizer over the two threads' suites. ZQ735_SANITIZERS=0 leaves
# them out for a quicker local run.
if [ "$#" -eq 0 ] && [ "${ZQ735_SANITIZERS:-1}" != 0 ]; then
    bash scripts/sanitizers.sh
fi
