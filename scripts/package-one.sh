#!/usr/bin/env bash
# Writes the release package of one built program with CPack and prints its
# path: <program-build>/QuilletTool-<version>-<win32|win64>.zip.
#   scripts/package-one.sh <program-build>     (build/win32 or build/win64)
set -euo pipefail
build=$(realpath -m "${1:?usage: package-one.sh <program-build>}")
rm -f "$build"/QuilletTool-*.zip
out=$(cd "$build" && cpack -G ZIP)
zip=$(sed -n 's/^CPack: - package: \(.*\.zip\) generated\.$/\1/p' <<<"$out")
[ -n "$zip" ] && [ -f "$zip" ] || { echo "package: cpack wrote no package in $build" >&2; exit 1; }
echo "$zip"
