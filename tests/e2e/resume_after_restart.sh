#!/usr/bin/env bash
# A run of three installers broken off like a power loss while the first one
# runs, then the machine's next start: what the run left under RunOnce runs
# there, each remaining command exactly once, the interrupted one not again,
# and nothing is left under RunOnce afterwards. Windows promises no order among
# RunOnce values (Wine runs them last registered first), so only the set of
# commands is checked.
#
# The disc lies in a folder whose name holds a blank ("MY DISC"), and one
# command has an argument: what Windows runs at the next start must be the
# program the wizard meant, with its argument, and not "MY.EXE", which lies
# beside the folder and is what the unquoted path would start.
# Usage: resume_after_restart.sh STAND_IN_WIZARD_EXE INSTALLER_EXE ARTIFACT_DIR
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

wizard_exe=$1
installer_exe=$2
e2e_begin "$3"

run_once='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'
disc="$E2E_TMP/MY DISC"
mkdir "$disc"
cp "$wizard_exe" "$disc/SETUP.EXE"
cp "$installer_exe" "$E2E_TMP/MY.EXE"
trace="$disc/TRACE.TXT"
trace_windows="Z:${trace//\//\\}"
for name in FIRST SECOND THIRD; do
  cp "$installer_exe" "$disc/$name.EXE"
  printf 'marker\t%s\t%s\n' "$trace_windows" "$name" >"$disc/$name.ARG"
done
# The first installer goes on long after the test has broken the run off.
printf 'sleep\t600000\n' >>"$disc/FIRST.ARG"
# The argument is a switch, so SECOND.EXE still does what its .ARG file says.
printf '[ExecuteNormal]\r\nDrivers=FIRST.EXE;SECOND.EXE -s;THIRD.EXE\r\n' >"$disc/SETUP.INI"

# The disc's values under RunOnce, one command name a line, sorted.
pending_on_disc() {
  wine reg query "$run_once" 2>/dev/null | tr -d '\r' | grep -i -F "${disc##*/}" |
    sed -E 's/.*\\([A-Z]+\.EXE).*/\1/I' | tr '[:lower:]' '[:upper:]' | sort -u || true
}
runs_of() { grep -c -x "$1	.*" "$trace" 2>/dev/null || true; }

e2e_start_program "$disc" SETUP.EXE UTIL.Drivers Drivers
for _ in $(seq 300); do
  [ "$(runs_of FIRST)" = 1 ] && break
  e2e_program_running || e2e_fail "the wizard ended before FIRST.EXE ran: $(cat "$E2E_ARTIFACTS/program.log")"
  sleep 0.2
done
[ "$(runs_of FIRST)" = 1 ] || e2e_fail "FIRST.EXE did not run within 60 s"

pending=$(pending_on_disc | tr '\n' ' ')
e2e_log "while FIRST.EXE runs, RunOnce holds: $pending"
[ "$pending" = "SECOND.EXE THIRD.EXE " ] ||
  e2e_fail "while FIRST.EXE runs RunOnce should hold SECOND.EXE and THIRD.EXE, not: $pending"

e2e_log "power loss: every process of the prefix ends at once"
wineserver -k
e2e_wait_program_exit 30

e2e_log "the next start"
timeout 120 wineboot -r >"$E2E_ARTIFACTS/wineboot.log" 2>&1 || e2e_fail "wineboot -r failed: $(cat "$E2E_ARTIFACTS/wineboot.log")"
e2e_wait_prefix_idle 120 || e2e_fail "the prefix stayed busy for 120 s after the restart"

for name in FIRST SECOND THIRD; do
  count=$(runs_of "$name")
  [ "$count" = 1 ] || e2e_fail "$name.EXE ran $count times in all; trace: $(cat "$trace" 2>/dev/null)"
done
left=$(pending_on_disc | tr '\n' ' ')
[ -z "$left" ] || e2e_fail "RunOnce still holds after the restart: $left"
e2e_log "each remaining command ran once after the restart; RunOnce is empty"
echo "PASS"
