# Sourced by the scripts that need an X display of their own: a private Xvfb
# on a free display number. Xvfb picks the number itself (-displayfd), so
# that several sessions started at the same moment never share a display.
#
#   start_private_display FIRST   sets DISPLAY and PRIVATE_DISPLAY_PID
#   stop_private_display
#
# FIRST is kept for the callers; Xvfb takes the first free number.

start_private_display() {
  local number_file
  number_file=$(mktemp)
  # -noreset: an X server resets when its last client leaves, and refuses
  # connections while it does, so that a test opening the display just
  # after another closed its last one would find no server.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$number_file" >/dev/null 2>&1 &
  PRIVATE_DISPLAY_PID=$!
  for _ in $(seq 1 100); do
    local display
    display=$(tr -dc '0-9' <"$number_file")
    if [ -n "$display" ] && [ -e "/tmp/.X11-unix/X$display" ]; then
      rm -f "$number_file"
      export DISPLAY=":$display"
      return 0
    fi
    sleep 0.1
  done
  rm -f "$number_file"
  echo "Xvfb did not start" >&2
  return 1
}

stop_private_display() {
  [ -n "${PRIVATE_DISPLAY_PID:-}" ] || return 0
  kill "$PRIVATE_DISPLAY_PID" 2>/dev/null || true
  wait "$PRIVATE_DISPLAY_PID" 2>/dev/null || true
  PRIVATE_DISPLAY_PID=""
}
