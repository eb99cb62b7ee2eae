# Sourced by the scripts that need a display. Starts Xvfb on a free display when DISPLAY is
# unset and arranges for it to stop when the calling script exits (only what it started).
quenda_ensure_display() {
  if [ -n "${DISPLAY:-}" ]; then return 0; fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  QUENDA_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    kill -0 "$QUENDA_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "could not start Xvfb on :$n" >&2
  return 1
}

quenda_stop_display() {
  if [ -n "${QUENDA_XVFB_PID:-}" ]; then
    kill "$QUENDA_XVFB_PID" 2>/dev/null || true
    wait "$QUENDA_XVFB_PID" 2>/dev/null || true
    QUENDA_XVFB_PID=
  fi
}
