#!/usr/bin/env bash
# Starts FELMO from a build folder: the window when a display is there, otherwise the headless
# builder, which unpacks the embedded default graphics and builds the five .mbm files from them.
set -euo pipefail
build=${1:-build}
bin="$build/bin"
if { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } && [ -x "$bin/felmo" ]; then
  exec "$bin/felmo"
fi
if [ -x "$bin/felmo-cli" ]; then
  echo "No display: running the headless builder (felmo-cli build)."
  "$bin/felmo-cli" build
  echo "The five .mbm files are in the output folder (by default $bin/Files)."
  exit 0
fi
echo "Neither felmo nor felmo-cli was built in $bin." >&2
exit 1
