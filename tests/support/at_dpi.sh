#!/bin/sh
# Runs a test program in a Wine prefix of its own whose screen has the given
# DPI (the prefix's LogPixels), on a private 1920x1080 display, so that the
# build's own prefix stays at 96 DPI for every other test.
#   at_dpi.sh <build-dir> <dpi> <program> [arguments...]
set -eu
build=$1 dpi=$2
shift 2
here=$(cd "$(dirname "$0")/../.." && pwd)
export QUILLET_WINEPREFIX="$build/wine-${dpi}dpi"
run="$build/wine-run.sh"
QUILLET_SCREEN=1920x1080x24
. "$here/scripts/xvfb.sh"
QUILLET_OWN_DISPLAY=1 start_display
trap 'stop_wineserver "$build"; stop_display' EXIT
"$run" cmd /c exit >/dev/null 2>&1 </dev/null || true
# The memory card M: and the CD-ROM N: of the build's own prefix, here too.
bash "$here/scripts/wine-drives.sh" "$build"
if ! grep -qi "\"LogPixels\"=dword:$(printf '%08x' "$dpi")" "$QUILLET_WINEPREFIX/user.reg" 2>/dev/null; then
  "$run" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1 </dev/null
  # The DPI is read when the server starts.
  WINEPREFIX="$QUILLET_WINEPREFIX" wineserver -k >/dev/null 2>&1 </dev/null || true
  WINEPREFIX="$QUILLET_WINEPREFIX" wineserver -w >/dev/null 2>&1 </dev/null || true
fi
"$run" "$@" </dev/null
