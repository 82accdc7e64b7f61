#!/usr/bin/env bash
# Renders the pictures of the documentation: every tab of morvane and both calibration pages,
# on the default simulated gauge, into docs/. Builds the dev preset first when needed.
# Runs offscreen; QT_QPA_PLATFORM=xcb under xvfb-run works as well.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build/dev}"
if [ ! -x "$build/morvane/bin/morvane" ]; then
  cmake --preset dev -S "$root"
  cmake --build "$build" --target morvane
fi
QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}" \
  "$build/morvane/bin/morvane" --virtual-time --screenshots "$root/docs/screenshots"
