# shellcheck shell=bash
# A private Xvfb screen for scripts that show Windows programs: sourced.
# xvfb_start DIR starts one on a display number Xvfb itself finds free and
# exports DISPLAY (its files go to DIR); xvfb_stop ends it.

XVFB_PID=

xvfb_start() {
  local dir=$1 number=
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/xvfb-display" 2>"$dir/xvfb.log" &
  XVFB_PID=$!
  for _ in $(seq 100); do
    # Xvfb writes the number and a line end once it accepts connections.
    if [ "$(tail -c 1 "$dir/xvfb-display" 2>/dev/null | od -An -c | tr -d ' ')" = '\n' ]; then
      number=$(head -n 1 "$dir/xvfb-display")
      break
    fi
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$number" ]; then
    echo "Xvfb did not start: $(cat "$dir/xvfb.log" 2>/dev/null)" >&2
    return 1
  fi
  export DISPLAY=":$number"
}

xvfb_stop() {
  [ -n "$XVFB_PID" ] || return 0
  kill "$XVFB_PID" 2>/dev/null
  for _ in $(seq 50); do kill -0 "$XVFB_PID" 2>/dev/null || break; sleep 0.1; done
  if kill -9 "$XVFB_PID" 2>/dev/null; then
    echo "Xvfb (pid $XVFB_PID) ignored SIGTERM and was killed" >&2
    # Killed outright, it leaves its lock and socket behind for the next one.
    local number=${DISPLAY#:}
    if [ -n "$number" ] && [ "$(tr -d ' ' <"/tmp/.X$number-lock" 2>/dev/null)" = "$XVFB_PID" ]; then
      rm -f "/tmp/.X$number-lock" "/tmp/.X11-unix/X$number"
    fi
  fi
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}
