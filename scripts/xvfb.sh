# Sourced: start_xvfb starts Xvfb on a free display that answers us, exports DISPLAY and sets
# xvfb_pid. A display is tried only after a client has reached it, since a server of another
# session may hold the same number in a namespace whose lock files we do not see.
start_xvfb() {
  local n
  for n in $(shuf -i 100-899 -n 20); do
    [ -e "/tmp/.X$n-lock" ] && continue
    # -noreset: the server would otherwise restart, refusing clients, whenever its last one leaves.
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
      if DISPLAY=:$n xdotool getmouselocation >/dev/null 2>&1; then
        export DISPLAY=:$n
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  done
  echo "no display of our own could be started" >&2
  return 1
}
