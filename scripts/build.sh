#!/usr/bin/env bash
# Installs what is missing, then configures and builds everything twice: the
# 32-bit program in <build-dir>/win32 and the 64-bit one in <build-dir>/win64.
#   scripts/build.sh [build-dir]        (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
. "$here/scripts/host.sh"
"$here/scripts/bootstrap.sh" "$build"
for arch in $QUILLET_ARCHES; do
  echo "build: $arch"
  # The 64-bit build's test of the settings both builds share runs the
  # 32-bit build's tool, so it is told where that build is.
  cmake -S "$here" -B "$build/$arch" -DCMAKE_TOOLCHAIN_FILE="$here/$(toolchain_of "$arch")" \
    -DQUILLET_WIN32_BUILD="$build/win32" >/dev/null
  cmake --build "$build/$arch" -j"$(nproc)"
done
