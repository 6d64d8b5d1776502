#!/usr/bin/env bash
# Gives the build's Wine prefix two extra drives for the tests that need a
# drive of a given type: M: removable (a memory card) and N: a CD-ROM, each a
# folder under <build>/drives. Wine reads drive types only when its mount
# manager starts, so after a change the Wine server is restarted; a prefix
# that already has both drives is left alone.
#   scripts/wine-drives.sh <program-build>     (build/win32 or build/win64)
set -euo pipefail
build=$(realpath -m "${1:?usage: wine-drives.sh <program-build>}")
# QUILLET_WINEPREFIX names another prefix of the build (a second DPI).
prefix="${QUILLET_WINEPREFIX:-$build/wine}"
[ -f "$prefix/system.reg" ] || "$build/wine-run.sh" cmd /c exit >/dev/null 2>&1 </dev/null || true

changed=0
for pair in m:floppy n:cdrom; do
  letter=${pair%%:*} type=${pair#*:}
  mkdir -p "$build/drives/$letter"
  if [ "$(readlink "$prefix/dosdevices/$letter:" 2>/dev/null)" != "$build/drives/$letter" ]; then
    ln -sfn "$build/drives/$letter" "$prefix/dosdevices/$letter:"
    changed=1
  fi
  if ! grep -A20 -F '[Software\\Wine\\Drives]' "$prefix/system.reg" 2>/dev/null | grep -qF "\"$letter:\"=\"$type\""; then
    "$build/wine-run.sh" reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d "$type" /f >/dev/null 2>&1 </dev/null
    changed=1
  fi
done
if [ "$changed" = 1 ]; then
  WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 </dev/null || true
  WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1 </dev/null || true
fi
