#!/usr/bin/env bash
# Sets up, builds and starts the program against the simulated instrument.
# Extra arguments go to the program (for example --sim-speed 10).
# The window needs a display; without one (neither DISPLAY nor
# WAYLAND_DISPLAY set) it runs on a virtual X server, where nobody sees it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run: no display found; starting under xvfb-run (the window is not visible)" >&2
  exec xvfb-run -a -s "-screen 0 1600x900x24" build/app/zq735 --simulate "$@"
fi
exec build/app/zq735 --simulate "$@"
