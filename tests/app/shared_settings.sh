#!/bin/sh
# On 64-bit Windows both programs keep their settings in the one
# HKEY_CURRENT_USER\Software key. The folder the next start opens on (a shell
# ID list, the one stored structure among the settings) is stored by the
# 32-bit program and read by the 64-bit one, then the other way round, both
# run in one 64-bit prefix of their own.
#   shared_settings.sh <source-dir> <win64-build> <win32-build>
set -eu
here=$1 build=$2 build32=$3
export QUILLET_WINEPREFIX="$build/wine-shared"
run="$build/wine-run.sh"
. "$here/scripts/xvfb.sh"
trap 'stop_wineserver "$build"' EXIT

fail() { echo "shared settings: $*" >&2; exit 1; }
[ -f "$build32/store_current_folder.exe" ] || fail "no 32-bit build in $build32"
"$run" cmd /c exit >/dev/null 2>&1 </dev/null || true
mkdir -p "$QUILLET_WINEPREFIX/drive_c/Shared/From 32" "$QUILLET_WINEPREFIX/drive_c/Shared/From 64"
"$run" reg delete 'HKCU\Software\ZORVA' /f >/dev/null 2>&1 </dev/null || true

# store <win32|win64> <folder>, then print <win32|win64> must give it back.
round_trip() {
  writer=$1 reader=$2 folder=$3
  tool() { if [ "$1" = win32 ]; then echo "$build32/store_current_folder.exe"; else echo "$build/store_current_folder.exe"; fi; }
  "$run" "$(tool "$writer")" "$folder" </dev/null || fail "the $writer program could not store $folder"
  got=$("$run" "$(tool "$reader")" --print </dev/null | tr -d '\r') || fail "the $reader program found no stored folder"
  [ "$got" = "$folder" ] || fail "stored by the $writer program: '$folder'; read by the $reader one: '$got'"
  echo "shared settings: stored by the $writer program, read by the $reader one: $got"
}
round_trip win32 win64 'C:\Shared\From 32'
round_trip win64 win32 'C:\Shared\From 64'
