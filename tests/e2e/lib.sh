# shellcheck shell=bash disable=SC2016,SC2034,SC2119,SC2120
# Shared helpers of the end-to-end scripts: the real Setup.exe under Wine, on a
# private Xvfb screen, driven and read the way a person would.
#
# A script sources this, sets E2E_WINPROBE to the built winprobe.exe, calls
# e2e_begin ARTIFACT_DIR first, and may then use the e2e_* functions below.
# Every wait is bounded; a failure saves a screenshot into ARTIFACT_DIR and
# names it. On exit the helpers end what they started (the program by its
# process id, then Xvfb) after waiting for the Wine prefix to go idle; they
# never end processes they did not start.

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_TESTS_DIR=$(cd "$E2E_LIB_DIR/.." && pwd)

# shellcheck source=tests/require-32-bit.sh
source "$E2E_TESTS_DIR/require-32-bit.sh"
# shellcheck source=tests/xvfb.sh
source "$E2E_TESTS_DIR/xvfb.sh"

E2E_ARTIFACTS=
E2E_TMP=
E2E_PROGRAM_PID=
E2E_PROGRAM_RC=
E2E_DISPLAY=

e2e_log() { echo "[e2e $(date +%H:%M:%S)] $*"; }

# Screenshot of the whole screen into the artifact folder; prints its path.
e2e_screenshot() {
  local name=$1 shot
  shot="$E2E_ARTIFACTS/$name.png"
  if [ -n "$E2E_DISPLAY" ] && timeout 20 import -display "$E2E_DISPLAY" -window root "$shot" 2>/dev/null; then
    echo "$shot"
  else
    echo "(no screenshot: the screen could not be captured)"
  fi
}

e2e_fail() {
  echo "FAIL: $*" >&2
  echo "screenshot: $(e2e_screenshot failure)" >&2
  if [ -n "$E2E_DISPLAY" ]; then
    echo "windows on the screen at the time of failure:" >&2
    e2e_probe 2>&1 | sed 's/^/  /' >&2 || true
  fi
  exit 1
}

# Waits, at most TIMEOUT seconds, for the Wine prefix to have no process left.
e2e_wait_prefix_idle() {
  local timeout=$1
  timeout "$timeout" wineserver -w
}

e2e_cleanup() {
  local status=$?
  set +eu
  if [ -n "$E2E_PROGRAM_PID" ] && kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; then
    e2e_log "ending the program (pid $E2E_PROGRAM_PID), which is still running"
    kill "$E2E_PROGRAM_PID" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$E2E_PROGRAM_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$E2E_PROGRAM_PID" 2>/dev/null
    wait "$E2E_PROGRAM_PID" 2>/dev/null
  fi
  # The desktop process Wine started for the program is still connected to
  # this Xvfb: let the prefix go idle before the screen goes away.
  if [ -n "${WINEPREFIX:-}" ] && ! e2e_wait_prefix_idle 60; then
    echo "WARNING: the Wine prefix $WINEPREFIX still had processes after 60 s" >&2
    [ "$status" -eq 0 ] && status=1
  fi
  xvfb_stop
  [ -n "$E2E_TMP" ] && rm -rf "$E2E_TMP"
  exit "$status"
}

# e2e_begin ARTIFACT_DIR [PREFIX]: a prefix of the test's own, kept between
# runs (PREFIX, or one in the artifact folder), a fresh temporary folder
# (E2E_TMP) and the clean-up on exit. With prefixes of their own, tests run
# side by side: a Wine desktop belongs to one prefix.
e2e_begin() {
  E2E_ARTIFACTS=$1
  mkdir -p "$E2E_ARTIFACTS"
  rm -f "$E2E_ARTIFACTS"/*.png
  trap e2e_cleanup EXIT
  trap 'exit 130' INT TERM
  # Never a prefix the caller happens to have set.
  WINEPREFIX=$(env -u WINEPREFIX DRIVORA_WINEPREFIX="${2:-$E2E_ARTIFACTS/wineprefix}" timeout 300 "$E2E_TESTS_DIR/wine-prefix") ||
    e2e_fail "the Wine prefix could not be made"
  export WINEPREFIX WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/drivora-e2e-XXXXXX")
  E2E_TMP=$(realpath "$E2E_TMP")
  # A Wine desktop started by a process without a display (a test that ran just
  # before) would keep every later window off the screen; wait for it to end.
  e2e_wait_prefix_idle 60 || e2e_fail "the Wine prefix $WINEPREFIX stayed busy for 60 s"
}

# A private X screen on a display number that Xvfb itself finds free (its
# files go to E2E_TMP); the clean-up on exit ends it.
e2e_start_xvfb() {
  xvfb_start "$E2E_TMP" || e2e_fail "the private X screen could not be started"
  E2E_DISPLAY=$DISPLAY
  e2e_log "Xvfb on $DISPLAY (pid $XVFB_PID)"
}

# e2e_start_program FOLDER PROGRAM [ARG...]: starts a Windows program from its
# folder, as a double-click would; its stdout and stderr go to the artifact
# folder.
e2e_start_program() {
  local folder=$1 program=$2
  shift 2
  (cd "$folder" && exec wine "$program" "$@") >"$E2E_ARTIFACTS/program.log" 2>&1 &
  E2E_PROGRAM_PID=$!
  e2e_log "started $program in $folder (pid $E2E_PROGRAM_PID)"
}

# e2e_wait_program_exit TIMEOUT: waits for the program's end and puts its
# exit code into E2E_PROGRAM_RC; fails when it still runs after TIMEOUT seconds.
e2e_wait_program_exit() {
  local timeout=$1 deadline=$((SECONDS + $1))
  while kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || e2e_fail "the program still runs $timeout s later"
    sleep 0.2
  done
  E2E_PROGRAM_RC=0
  wait "$E2E_PROGRAM_PID" || E2E_PROGRAM_RC=$?
  E2E_PROGRAM_PID=
}

e2e_program_running() { [ -n "$E2E_PROGRAM_PID" ] && kill -0 "$E2E_PROGRAM_PID" 2>/dev/null; }

# e2e_wait_window TITLE TIMEOUT: puts into E2E_WINDOW the X window id of the
# visible window with exactly this title. Fails at the timeout, or at once if
# the program ends first.
E2E_WINDOW=
e2e_wait_window() {
  local title=$1 timeout=$2 deadline=$((SECONDS + $2)) pattern ids
  pattern="^$(printf '%s' "$title" | sed 's/[][\.*^$()+?{}|]/\\&/g')\$"
  E2E_WINDOW=
  while :; do
    ids=$(timeout 10 xdotool search --onlyvisible --name "$pattern" 2>/dev/null || true)
    if [ -n "$ids" ]; then
      E2E_WINDOW=$(echo "$ids" | head -n 1)
      return 0
    fi
    if [ -n "$E2E_PROGRAM_PID" ] && ! e2e_program_running; then
      e2e_wait_program_exit 1
      e2e_fail "the program ended (exit code $E2E_PROGRAM_RC) before a window titled '$title' appeared;" \
        "its output: $(cat "$E2E_ARTIFACTS/program.log")"
    fi
    [ "$SECONDS" -lt "$deadline" ] || e2e_fail "no window titled '$title' within $timeout s"
    sleep 0.2
  done
}

# e2e_probe [TITLE]: the windows as winprobe lists them (see winprobe.cpp).
e2e_probe() {
  timeout 60 wine "$E2E_WINPROBE" "$@" | tr -d '\r'
  return "${PIPESTATUS[0]}"
}

# e2e_key WINDOW KEY...: focuses the window and types the keys.
e2e_key() {
  local window=$1
  shift
  timeout 20 xdotool windowfocus --sync "$window" key "$@" || e2e_fail "could not type $* into window $window"
}

# e2e_pixel PNG X Y: the colour of one pixel as "R,G,B".
e2e_pixel() {
  convert "$1" -format '%[fx:int(255*p{'"$2,$3"'}.r)],%[fx:int(255*p{'"$2,$3"'}.g)],%[fx:int(255*p{'"$2,$3"'}.b)]' info:
}

# e2e_wizard_begin BUILD_DIR ARTIFACT_DIR NAME: for the tests of the wizard on
# the demo disc: the Windows build (WIZ_BUILD), the wizard library and a Wine
# prefix of the test's own, kept between runs under the build.
e2e_wizard_begin() {
  # shellcheck source=tools/wizard-under-wine.sh
  source "$E2E_TESTS_DIR/../tools/wizard-under-wine.sh"
  WIZ_BUILD=$(cd "$1" && pwd)
  E2E_WINPROBE=$WIZ_BUILD/tests/windows/e2e/winprobe.exe
  e2e_begin "$2" "$WIZ_BUILD/wineprefix-e2e-$3"
}

# Whether the driver's service is gone from the registry, waited for up to
# 30 s: the wizard removes it once detection is done.
e2e_service_gone() {
  for _ in $(seq 150); do
    wine reg query 'HKLM\System\CurrentControlSet\Services\S12345' >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

# e2e_wizard_machine BOARD [WINDOWS]: the demo disc on that demo board under
# Windows XP (or the version named as Wine names it), and a private screen.
e2e_wizard_machine() {
  wizard_machine "$WINEPREFIX" "$WIZ_BUILD/demo/disc" "$E2E_TESTS_DIR/../demo/boards/$1.board" "${2:-winxp}" ||
    e2e_fail "the machine could not be laid out"
  e2e_start_xvfb
}

# e2e_wizard_start LOG_NAME: starts the wizard and waits for its window (the
# detection through the driver takes about a minute under Wine).
e2e_wizard_start() {
  wizard_start "$E2E_ARTIFACTS/$1.log"
  E2E_PROGRAM_PID=$WIZ_PID
  wizard_wait_window 300 || e2e_fail "the wizard's window did not appear (see $1.log)"
  # The first paint settles before anything reads or clicks.
  sleep 1
}
