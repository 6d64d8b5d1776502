#!/usr/bin/env bash
# Installs what building and testing needs on a Debian 12 machine and builds
# libjpeg-turbo for both Windows targets, into <build-dir>/win32/deps and
# <build-dir>/win64/deps, from one download of Debian's source package, and
# SQLite's single-file source (the amalgamation) from Debian's sqlite3
# source package into <build-dir>/<arch>/deps/sqlite, which each build
# compiles itself. Safe to run again: every step checks first and skips what
# is already in place.
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
# tcl, gcc and make: SQLite's own build makes its single-file source with them.
# locales: the Japanese locale the Japanese test runs need, made below.
# wixl and msitools: the Windows Installer packages are built and checked with them.
packages=(mingw-w64 cmake nasm wine wine32 wine64 xvfb xauth imagemagick googletest fonts-ipafont-gothic
  tcl gcc make locales wixl msitools)

# A mirror caught mid-sync fails one index ("File has unexpected size") and
# apt-get update exits 100 although every other list is fresh: try again a
# little later, then go on with the lists there are; the install says
# plainly if something it needs is not in them.
update_lists() {
  local try
  for try in 1 2 3; do
    as_root apt-get update -q && return 0
    echo "bootstrap: apt-get update failed (try $try of 3)" >&2
    sleep $((try * 10))
  done
  echo "bootstrap: going on with the package lists apt-get could fetch" >&2
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  update_lists
  if ! DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q "${missing[@]}"; then
    # The 32-bit Wine needs i386 libraries at the versions of their amd64
    # twins; a mirror that lacks them (an i386 list that failed to fetch)
    # leaves it uninstallable. Everything else goes in, and the scripts then
    # run the 64-bit build only, as on a host without 32-bit support.
    rest=()
    for p in "${missing[@]}"; do [ "$p" = wine32 ] || rest+=("$p"); done
    echo "bootstrap: installing without wine32: only the 64-bit build will run here" >&2
    DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -q "${rest[@]}"
  fi
fi

# The Japanese test runs (LANG=ja_JP.UTF-8) need that locale, which a fresh
# machine may lack: it is made into the build folder, and the tests point
# LOCPATH there, so that Wine gives the Japanese code page 932.
if [ ! -f "$build/locales/ja_JP.UTF-8/LC_CTYPE" ]; then
  mkdir -p "$build/locales"
  # localedef may exit non-zero over warnings alone: the file tells.
  localedef -i ja_JP -f UTF-8 "$build/locales/ja_JP.UTF-8" >/dev/null 2>&1 || true
  [ -f "$build/locales/ja_JP.UTF-8/LC_CTYPE" ] ||
    echo "bootstrap: could not make the ja_JP.UTF-8 locale; the Japanese runs will be English" >&2
fi

# Debian's source packages need a deb-src entry.
have_deb_src=
deb_src() {
  [ -n "$have_deb_src" ] && return 0
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    echo "bootstrap: adding a deb-src entry for Debian's sources"
    src=/etc/apt/sources.list.d/debian.sources
    if [ -f "$src" ]; then
      sed 's/^Types: deb$/Types: deb-src/' "$src" | as_root tee /etc/apt/sources.list.d/quillet-deb-src.sources >/dev/null
    else
      grep '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee /etc/apt/sources.list.d/quillet-deb-src.list >/dev/null
    fi
    update_lists
  fi
  have_deb_src=1
}

have_jpeg() { [ -f "$build/$1/deps/lib/libjpeg.a" ] && [ -f "$build/$1/deps/include/jpeglib.h" ]; }
needed=()
for arch in $QUILLET_ARCHES; do have_jpeg "$arch" || needed+=("$arch"); done

if [ ${#needed[@]} -gt 0 ]; then
  srcdir="$build/jpeg-src"
  mkdir -p "$srcdir"
  tarball=$(ls "$srcdir"/libjpeg-turbo_*.orig.tar.gz 2>/dev/null | head -n1 || true)
  if [ -z "$tarball" ]; then
    deb_src
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
fi

# SQLite: the amalgamation is the same for both targets; its licence note
# goes beside it for the packages.
have_sqlite() { [ -f "$build/$1/deps/sqlite/sqlite3.c" ] && [ -f "$build/$1/deps/sqlite/sqlite3.h" ]; }
needed=()
for arch in $QUILLET_ARCHES; do have_sqlite "$arch" || needed+=("$arch"); done
[ ${#needed[@]} -eq 0 ] && exit 0

sqldir="$build/sqlite-src"
if [ ! -f "$sqldir/sqlite3.c" ]; then
  mkdir -p "$sqldir"
  tarball=$(ls "$sqldir"/sqlite3_*.orig.tar.xz 2>/dev/null | grep -v -- -www | head -n1 || true)
  if [ -z "$tarball" ]; then
    deb_src
    (cd "$sqldir" && apt-get source --download-only sqlite3)
    tarball=$(ls "$sqldir"/sqlite3_*.orig.tar.xz | grep -v -- -www | head -n1)
  fi
  rm -rf "$sqldir/unpacked" "$sqldir/make"
  mkdir -p "$sqldir/unpacked" "$sqldir/make"
  tar -xJf "$tarball" -C "$sqldir/unpacked"
  ssrc=$(ls -d "$sqldir"/unpacked/sqlite3-*/ | head -n1)
  echo "bootstrap: making SQLite's single-file source"
  (cd "$sqldir/make" && "$ssrc/configure" --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
  cp "$sqldir/make/sqlite3.c" "$sqldir/make/sqlite3.h" "$ssrc/LICENSE.md" "$sqldir/"
fi
for arch in "${needed[@]}"; do
  mkdir -p "$build/$arch/deps/sqlite"
  cp "$sqldir/sqlite3.c" "$sqldir/sqlite3.h" "$sqldir/LICENSE.md" "$build/$arch/deps/sqlite/"
  echo "bootstrap: SQLite's source is in $build/$arch/deps/sqlite"
done
