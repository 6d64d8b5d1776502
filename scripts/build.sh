#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything.
#   scripts/build.sh [build-dir]        (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
"$here/scripts/bootstrap.sh" "$build"
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/i686-w64-mingw32.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)"
