# Sourced by the scripts: starts a private Xvfb (1024x768, or QUILLET_SCREEN
# as WIDTHxHEIGHTxDEPTH) when no display is given and stops it on exit, with
# the Wine server of the build's prefix.
start_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${QUILLET_OWN_DISPLAY:-0}" != 1 ]; then return; fi
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${QUILLET_SCREEN:-1024x768x24}" -nolisten tcp >/dev/null 2>&1 </dev/null &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && return; sleep 0.1; done
  done
  echo "could not start Xvfb" >&2; return 1
}
stop_display() {
  if [ -n "${XVFB_PID:-}" ]; then kill "$XVFB_PID" 2>/dev/null || true; wait "$XVFB_PID" 2>/dev/null || true; fi
}
stop_wineserver() {
  WINEPREFIX="${QUILLET_WINEPREFIX:-$1/wine}" wineserver -k >/dev/null 2>&1 </dev/null || true
}
