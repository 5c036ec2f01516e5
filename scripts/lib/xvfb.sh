# Headless X displays of our own, stopped by process id.

STARTED_XVFB_PIDS=()

# start_xvfb WIDTHxHEIGHT: starts Xvfb on the first free display from :90 and sets XVFB_DISPLAY.
start_xvfb() {
  local size=$1 n pid tries
  for ((n = 90; n < 200; n++)); do
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    pid=$!
    for ((tries = 0; tries < 100; tries++)); do
      if ! kill -0 "$pid" 2>/dev/null; then
        break  # lost the display to someone else: try the next one
      fi
      if xdpyinfo -display ":$n" >/dev/null 2>&1; then
        STARTED_XVFB_PIDS+=("$pid")
        XVFB_DISPLAY=":$n"
        return 0
      fi
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  die "no free X display for Xvfb"
}

stop_xvfbs() {
  local pid
  for pid in "${STARTED_XVFB_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  STARTED_XVFB_PIDS=()
}
