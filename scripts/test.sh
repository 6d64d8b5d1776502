#!/usr/bin/env bash
# Builds everything and runs every test under Wine on a private Xvfb display.
#   scripts/test.sh [build-dir]         (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
"$here/scripts/build.sh" "$build"
. "$here/scripts/xvfb.sh"
QUILLET_OWN_DISPLAY=1 start_display
trap 'stop_wineserver "$build"; stop_display' EXIT
# Tests run on a screen of their own, never on the user's desktop.
"$here/scripts/wine-drives.sh" "$build"
"$build/wine-run.sh" cmd /c exit >/dev/null 2>&1 </dev/null || true
cd "$build" && ctest --output-on-failure -j1
