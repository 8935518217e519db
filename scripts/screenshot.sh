#!/usr/bin/env bash
# Makes the picture of the main window for the documentation: the program
# runs on a virtual X server against the simulated instrument, confirms the
# reset it offers, scans the polystyrene film from 4000 to 400 cm-1 and saves
# its window when the scan has ended.
#   bash scripts/screenshot.sh [OUTPUT.png]      (default docs/screenshot.png)
# BUILD_DIR selects the build (default build/; built first when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
OUT=${1:-docs/screenshot.png}
if [ ! -x "$BUILD_DIR/app/zq735" ]; then
  bash scripts/setup.sh
  BUILD_DIR="$BUILD_DIR" bash scripts/build.sh
fi
mkdir -p "$(dirname "$OUT")"
# A fresh data folder: no configuration and no stored 100 % baseline.
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
ZQ735_DATA_DIR="$data" timeout 600 xvfb-run -a -s "-screen 0 1440x900x24" \
  "$BUILD_DIR/app/zq735" --simulate --sim-speed 100 --screenshot "$OUT"
test -s "$OUT"
echo "screenshot: $OUT"
