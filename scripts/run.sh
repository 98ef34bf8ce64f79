#!/usr/bin/env bash
# Sets up, builds and starts Quindle. Its settings ("main.ini") live beside the program, in build/app/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh quindle
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec xvfb-run -a build/app/quindle
fi
exec build/app/quindle
