#!/usr/bin/env bash
# Creates the demo frame library inside the Wine prefix of a build:
#   scripts/demo-library.sh <program-build>     (build/win32 or build/win64)
# About 40 frames in subfolders of C:\users\Public\Documents\Frames and 6 in
# the companion's target folder C:\Program Files\Common Files\ZEL. A folder
# that already holds frame files is left as it is, so running it again is cheap.
set -euo pipefail
build=$(realpath -m "${1:?usage: demo-library.sh <program-build>}")
run="$build/wine-run.sh"
tool="$build/make_demo_library.exe"
if [ ! -x "$run" ] || [ ! -f "$tool" ]; then
  echo "demo-library: no make_demo_library.exe in $build; build first (scripts/build.sh)" >&2
  exit 1
fi

has_frames() { [ -d "$1" ] && [ -n "$(find "$1" -maxdepth 1 -iname '*.usd' -print -quit)" ]; }

# <folder under drive_c, with slashes> <count> <first frame number>
make_frames() {
  local unix="$build/wine/drive_c/$1" windows="C:\\${1//\//\\}"
  if has_frames "$unix"; then return 0; fi
  "$run" "$tool" "$windows" "$2" "$3" </dev/null
  has_frames "$unix" || { echo "demo-library: no frames written to $windows" >&2; exit 1; }
}

# Frame numbers never overlap, so every frame of the library is different.
make_frames "users/Public/Documents/Frames/Birthday" 14 0
make_frames "users/Public/Documents/Frames/Holidays" 13 14
make_frames "users/Public/Documents/Frames/Seasons" 13 27
make_frames "Program Files/Common Files/ZEL" 6 40
