# Sourced by the scripts: what this Linux host can run, and where each build
# of the program lives.
#
# The program is built twice, each build in a folder of its own under the
# build folder: win32 (i686) and win64 (x86_64). Some hosts run no 32-bit
# Linux programs (their kernel has 32-bit emulation off), and there Wine's
# 32-bit loader, and with it every win32 prefix, fails with "Exec format
# error": only the win64 build can be run. QUILLET_NO_WIN32=1 makes the probe
# say no on any host, so that both paths can be tried on one machine.

QUILLET_ARCHES="win32 win64"
QUILLET_WINE32_LOADER=/usr/lib/wine/wine
QUILLET_WINE64_LOADER=/usr/lib/wine/wine64

# The toolchain file of a build: win32 or win64.
toolchain_of() {
  case "$1" in
    win32) echo "cmake/i686-w64-mingw32.cmake" ;;
    win64) echo "cmake/x86_64-w64-mingw32.cmake" ;;
    *) echo "unknown build '$1'" >&2; return 1 ;;
  esac
}

# True when the host runs 32-bit programs. Probed once per script run (the
# 32-bit loader's --version); the answer and its reason are kept in
# QUILLET_HOST_WIN32 and QUILLET_HOST_WIN32_WHY.
host_runs_win32() {
  if [ -z "${QUILLET_HOST_WIN32:-}" ]; then
    local out
    if [ "${QUILLET_NO_WIN32:-0}" = 1 ]; then
      QUILLET_HOST_WIN32=no QUILLET_HOST_WIN32_WHY="QUILLET_NO_WIN32=1 is set"
    elif out=$("$QUILLET_WINE32_LOADER" --version 2>&1 </dev/null); then
      QUILLET_HOST_WIN32=yes QUILLET_HOST_WIN32_WHY=""
    else
      QUILLET_HOST_WIN32=no
      out=$(printf '%s' "$out" | head -n1)
      QUILLET_HOST_WIN32_WHY="$QUILLET_WINE32_LOADER --version: ${out##*: }"
    fi
    export QUILLET_HOST_WIN32 QUILLET_HOST_WIN32_WHY
  fi
  [ "$QUILLET_HOST_WIN32" = yes ]
}

# The builds this host can run, the 64-bit one first.
runnable_arches() {
  if host_runs_win32; then echo "win64 win32"; else echo "win64"; fi
}
