#!/usr/bin/env bash
# Installs what building and testing needs on a Debian 12 machine and builds
# libjpeg-turbo for both Windows targets, into <build-dir>/win32/deps and
# <build-dir>/win64/deps, from one download of Debian's source package. Safe
# to run again: every step checks first and skips what is already in place.
#
#   scripts/bootstrap.sh [build-dir]      (default: build)
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
. "$here/scripts/host.sh"

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# fonts-ipafont-gothic: Japanese glyphs (with Latin ones) for the Japanese screenshots.
packages=(mingw-w64 cmake nasm wine wine32 wine64 xvfb xauth imagemagick googletest fonts-ipafont-gothic)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  as_root apt-get update -q
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q "${missing[@]}"
fi

have_jpeg() { [ -f "$build/$1/deps/lib/libjpeg.a" ] && [ -f "$build/$1/deps/include/jpeglib.h" ]; }
needed=()
for arch in $QUILLET_ARCHES; do have_jpeg "$arch" || needed+=("$arch"); done
[ ${#needed[@]} -eq 0 ] && exit 0

# libjpeg-turbo comes from Debian's source package, so it needs a deb-src entry.
srcdir="$build/jpeg-src"
mkdir -p "$srcdir"
tarball=$(ls "$srcdir"/libjpeg-turbo_*.orig.tar.gz 2>/dev/null | head -n1 || true)
if [ -z "$tarball" ]; then
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    echo "bootstrap: adding a deb-src entry for Debian's sources"
    src=/etc/apt/sources.list.d/debian.sources
    if [ -f "$src" ]; then
      sed 's/^Types: deb$/Types: deb-src/' "$src" | as_root tee /etc/apt/sources.list.d/quillet-deb-src.sources >/dev/null
    else
      grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee /etc/apt/sources.list.d/quillet-deb-src.list >/dev/null
    fi
    as_root apt-get update -q
  fi
  (cd "$srcdir" && apt-get source --download-only libjpeg-turbo)
  tarball=$(ls "$srcdir"/libjpeg-turbo_*.orig.tar.gz | head -n1)
fi

rm -rf "$srcdir/unpacked"
mkdir -p "$srcdir/unpacked"
tar -xzf "$tarball" -C "$srcdir/unpacked"
jsrc=$(ls -d "$srcdir"/unpacked/libjpeg-turbo-*/ | head -n1)

for arch in "${needed[@]}"; do
  toolchain=$(toolchain_of "$arch")
  echo "bootstrap: building libjpeg-turbo for $arch ($(basename "$toolchain" .cmake))"
  cmake -S "$jsrc" -B "$build/$arch/jpeg" -DCMAKE_TOOLCHAIN_FILE="$here/$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DENABLE_SHARED=OFF -DWITH_TURBOJPEG=OFF \
    -DCMAKE_INSTALL_PREFIX="$build/$arch/deps" >/dev/null
  cmake --build "$build/$arch/jpeg" --target install -j"$(nproc)" >/dev/null
  echo "bootstrap: libjpeg-turbo installed in $build/$arch/deps"
done
