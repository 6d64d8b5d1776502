#!/usr/bin/env bash
# Builds both programs and writes the two release packages into the build
# folder: QuilletTool-<version>-win32.zip and QuilletTool-<version>-win64.zip
# (the version is CMake's project version). Prints their paths.
#   scripts/package.sh [build-dir]      (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
"$here/scripts/build.sh" "$build" >/dev/null
. "$here/scripts/host.sh"
for arch in $QUILLET_ARCHES; do
  zip=$("$here/scripts/package-one.sh" "$build/$arch")
  cp "$zip" "$build/"
  echo "$build/$(basename "$zip")"
done
