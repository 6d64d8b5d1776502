#!/usr/bin/env bash
# Builds both programs and writes the release into the build folder: for
# each build a ZIP and an installer, QuilletTool-<version>-win32.zip/.msi and
# QuilletTool-<version>-win64.zip/.msi (the version is CMake's project
# version). Then prints the release table: each artifact, its size, its
# SHA-256, the version inside it, and of the program inside it the processor
# it is built for and the DPI awareness its manifest declares.
#   scripts/package.sh [build-dir]      (default: build)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$here/build}")
"$here/scripts/build.sh" "$build" >/dev/null
. "$here/scripts/host.sh"
artifacts=()
for arch in $QUILLET_ARCHES; do
  zip=$("$here/scripts/package-one.sh" "$build/$arch")
  msi=$("$here/scripts/package-msi.sh" "$build/$arch")
  cp "$zip" "$msi" "$build/"
  artifacts+=("$build/$(basename "$zip")" "$build/$(basename "$msi")")
done

# The version resource of an exe: the four numbers of its fixed file info.
exe_version() {
  local at
  at=$(LC_ALL=C grep -obUaP '\xbd\x04\xef\xfe' "$1" | head -n1 | cut -d: -f1)
  [ -n "$at" ] || { echo "none"; return; }
  local ms ls
  read -r ms ls < <(od -An -tu4 -j$((at + 8)) -N8 "$1")
  echo "$((ms >> 16)).$((ms & 0xffff)).$((ls >> 16)).$((ls & 0xffff))"
}
# The processor an exe is built for, from its PE header.
exe_bits() {
  local pe machine
  pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
  machine=$(od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' ')
  case "$machine" in 014c) echo 32-bit ;; 8664) echo 64-bit ;; *) echo "machine $machine" ;; esac
}
# The DPI awareness the embedded manifest declares.
exe_dpi() {
  local aware awareness
  aware=$(grep -ao '<dpiAware [^>]*>[^<]*<' "$1" | sed 's/.*>\([^<]*\)<$/\1/' | head -n1)
  awareness=$(grep -ao '<dpiAwareness [^>]*>[^<]*<' "$1" | sed 's/.*>\([^<]*\)<$/\1/' | head -n1)
  if [ -z "$aware$awareness" ]; then echo "not declared"; else echo "dpiAware ${aware:-none}; dpiAwareness ${awareness:-none}"; fi
}

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
printf '%-28s %10s  %-64s  %-22s %-7s %s\n' artifact bytes SHA-256 version exe "DPI (manifest)"
for artifact in "${artifacts[@]}"; do
  dir="$unpacked/$(basename "$artifact")"
  mkdir -p "$dir"
  case "$artifact" in
    *.zip)
      (cd "$dir" && cmake -E tar xf "$artifact")
      exe=$(find "$dir" -name QuilletTool.exe | head -n1)
      version="exe $(exe_version "$exe")" ;;
    *.msi)
      (cd "$dir" && msiextract "$artifact" >/dev/null)
      exe=$(find "$dir" -name QuilletTool.exe | head -n1)
      product=$(msiinfo export "$artifact" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')
      version="$product, exe $(exe_version "$exe")" ;;
  esac
  printf '%-28s %10s  %-64s  %-22s %-7s %s\n' "$(basename "$artifact")" "$(stat -c %s "$artifact")" \
    "$(sha256sum "$artifact" | cut -d' ' -f1)" "$version" "$(exe_bits "$exe")" "$(exe_dpi "$exe")"
done
