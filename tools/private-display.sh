# Sourced by the scripts that need an X display of their own: a private Xvfb
# on the first free display number from FIRST on.
#
#   start_private_display FIRST   sets DISPLAY and PRIVATE_DISPLAY_PID
#   stop_private_display

start_private_display() {
  local display=$1
  while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  PRIVATE_DISPLAY_PID=$!
  export DISPLAY=":$display"
  for _ in $(seq 1 100); do
    [ -e "/tmp/.X11-unix/X$display" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on $DISPLAY" >&2
  return 1
}

stop_private_display() {
  [ -n "${PRIVATE_DISPLAY_PID:-}" ] || return 0
  kill "$PRIVATE_DISPLAY_PID" 2>/dev/null || true
  wait "$PRIVATE_DISPLAY_PID" 2>/dev/null || true
  PRIVATE_DISPLAY_PID=""
}
