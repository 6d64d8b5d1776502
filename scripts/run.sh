#!/usr/bin/env bash
# Builds the program and runs it on a demo frame library: the 32-bit program
# where the host runs 32-bit programs, the 64-bit one otherwise (or with
# QUILLET_NO_WIN32=1).
#   scripts/run.sh [build-dir]          (default: build)
# With $DISPLAY set the window opens there. Without one the program runs on
# a private Xvfb; the script saves a screenshot of the window, prints its
# path and closes the program.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
top=$(realpath -m "${1:-$here/build}")
"$here/scripts/build.sh" "$top" >/dev/null
. "$here/scripts/host.sh"
if host_runs_win32; then
  build="$top/win32"
  echo "run: the 32-bit program ($build)"
else
  build="$top/win64"
  echo "run: the 64-bit program ($build); 32-bit programs do not run here ($QUILLET_HOST_WIN32_WHY)"
fi
run="$build/wine-run.sh"
title=$(sed -n 's/^TITLE_APP=//p' "$here/lang/QuilletTool.INI" | tr -d '\r')

. "$here/scripts/xvfb.sh"
own=0
if [ -z "${DISPLAY:-}" ]; then own=1; start_display; fi
trap 'stop_wineserver "$build"; stop_display' EXIT
"$run" cmd /c exit >/dev/null 2>&1 </dev/null || true

# A removable drive M: (a memory card) and a CD-ROM N: in the prefix, so the
# memory card target can be tried.
"$here/scripts/wine-drives.sh" "$build"
"$here/scripts/demo-library.sh" "$build"
# Open on the demo library unless a folder was chosen in an earlier run.
"$run" "$build/store_current_folder.exe" --if-unset 'C:\users\Public\Documents\Frames\Birthday' </dev/null

if [ "$own" = 0 ]; then
  "$run" "$build/QuilletTool.exe"
  exit 0
fi

"$run" "$build/QuilletTool.exe" >/dev/null 2>&1 </dev/null &
app=$!
if ! "$run" "$build/window_ctl.exe" wait "$title" 60 >/dev/null 2>&1 </dev/null; then
  echo "run: the main window did not appear" >&2
  kill "$app" 2>/dev/null || true
  exit 1
fi
sleep 2
shot="$build/screenshot.png"
import -window root "$shot"
"$run" "$build/window_ctl.exe" close "$title" 30 >/dev/null 2>&1 </dev/null || true
wait "$app" || true
echo "screenshot: $shot"
