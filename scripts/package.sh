#!/usr/bin/env bash
# Builds the program and writes the release package into the build folder:
# QuilletTool-<version>-win32.zip (the version is CMake's project version).
#   scripts/package.sh [build-dir]      (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
"$here/scripts/build.sh" "$build" >/dev/null
version=$(sed -n 's/^#define QUILLET_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/Version.h")
zip="$build/QuilletTool-$version-win32.zip"
rm -f "$zip"
(cd "$build" && cpack -G ZIP >/dev/null)
[ -f "$zip" ] || { echo "package: cpack wrote no $zip" >&2; exit 1; }
echo "$zip"
