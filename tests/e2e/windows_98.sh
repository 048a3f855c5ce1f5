#!/usr/bin/env bash
# The wizard's Windows 9x half, run for real: Setup.exe under Wine reporting
# Windows 98, on a demo board, in a prefix of the test's own. The wizard reads
# the ports with the processor's own instructions and copies the firmware
# area out of memory at 0xF0000; the test-only 9x harness (tests/ninex),
# loaded into it before it runs, answers both from the board file.
#
# One start serves every check in order: a stale Run value removed at the
# start; no driver service; the rows of the reviewed Windows 98 catalogue; the
# Run value "Drivora..." present while the entry installs, its installer run
# in its own folder, the value gone once the entry is done and after the exit
# row with No; and the port traffic the harness saw equal to the in-process
# simulation's counts (drivora explain on the same board).
# Usage: windows_98.sh WINDOWS_BUILD_DIR ARTIFACT_DIR BOARD
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

board=$3
e2e_wizard_begin "$1" "$2" "win98-$board"
root=$(cd "$E2E_TESTS_DIR/.." && pwd)
export LANG=C.UTF-8 LC_ALL=C.UTF-8
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
run_value='Drivora...'

run_value_data() {
  wine reg query "$run_key" /v "$run_value" 2>/dev/null | tr -d '\r' | awk -F'    ' '$2 == "'"$run_value"'" { print $4 }'
}
run_value_present() { wine reg query "$run_key" /v "$run_value" >/dev/null 2>&1; }

e2e_wizard_machine "$board" win98
# The one installer the Windows 98 catalogue offers on these boards holds
# until the test releases it, so that the Run value is read while it runs;
# its command list loses the README, whose viewer would outlive the test.
printf 'marker\tD:\\NINEX.LOG\tsound begins\nawait\tD:\\RELEASE.FLG\t120000\nmarker\tINSTALL.LOG\tRealtek audio driver\n' \
  >"$WIZ_DISC/SOUND/REALTEK/SETUP.ARG"
sed -i 's/=SOUND\\REALTEK\\SETUP\.EXE;SOUND\\REALTEK\\README\.TXT/=SOUND\\REALTEK\\SETUP.EXE/' "$WIZ_DISC/Setup.ini"
# A value left by an interrupted run: every start on the 9x family removes it.
wine reg add "$run_key" /v "$run_value" /d 'D:\Setup.exe' /f >/dev/null

e2e_wizard_start program
e2e_log "the wizard is up on Windows 98"
run_value_present && e2e_fail "the Run value of an earlier run is still there after the start"
wine reg query 'HKLM\System\CurrentControlSet\Services\S12345' >/dev/null 2>&1 &&
  e2e_fail "a driver service was created on Windows 98"
e2e_log "PASS: the stale Run value was removed, and no driver service was created"

# --- the rows ---------------------------------------------------------------------
expected_rows=$(while IFS=$'\t' read -r key _; do
  name=${key#RST.}
  [[ $name == *.* ]] && name=${name#*.}
  printf '%s\n' "$name"
done <"$root/tests/expected/$board--98.tsv")
diff -u <(echo "$expected_rows") <(row_names) >"$E2E_ARTIFACTS/rows.diff" ||
  e2e_fail "the rows differ from the reviewed Windows 98 catalogue: $(cat "$E2E_ARTIFACTS/rows.diff")"
e2e_log "PASS: the rows are those of the reviewed Windows 98 catalogue"

# --- installing: the Run value while it runs ------------------------------------------
row=$(head -n 1 <<<"$expected_rows")
activate_row "$row" || e2e_fail "no row \"$row\""
for _ in $(seq 120); do [ -f "$WIZ_DISC/NINEX.LOG" ] && break; sleep 0.5; done
[ -f "$WIZ_DISC/NINEX.LOG" ] || e2e_fail "the installer of \"$row\" did not start"
data=$(run_value_data)
[ "${data^^}" = 'D:\SETUP.EXE' ] || e2e_fail "while \"$row\" installs, the Run value is \"$data\", not the wizard's path"
: >"$WIZ_DISC/RELEASE.FLG"
wait_disc_idle 120 || e2e_fail "the installer still ran 2 minutes after the release"
tr -d '\r' <"$WIZ_DISC/SOUND/REALTEK/INSTALL.LOG" 2>/dev/null | grep -qxF $'Realtek audio driver\tD:\\SOUND\\REALTEK' ||
  e2e_fail "the installer did not run in its folder: $(cat "$WIZ_DISC/SOUND/REALTEK/INSTALL.LOG" 2>/dev/null)"
for _ in $(seq 20); do run_value_present || break; sleep 0.5; done
run_value_present && e2e_fail "the Run value is still there after \"$row\" was done"
e2e_log "PASS: the Run value named the wizard while \"$row\" installed in its own folder, and went with it"

# --- leaving, and the traffic ---------------------------------------------------------
close_through_exit_row || e2e_fail "the wizard did not close through its exit row"
E2E_PROGRAM_PID=
run_value_present && e2e_fail "the Run value is there after the exit row with No"
traffic=$(wizard_port_traffic)
printf '%s\n' "$traffic" >"$E2E_ARTIFACTS/port-traffic.txt"
grep -q '^refused' <<<"$traffic" && e2e_fail "the 9x harness refused an instruction: $traffic"
explained=$(timeout 300 wine "$WIZ_BUILD/drivora.exe" explain "$(wiz_windows_path "$WIZ_DISC/Setup.ini")" \
  --board "$(wiz_windows_path "$root/demo/boards/$board.board")" --windows 98 2>"$E2E_ARTIFACTS/explain.err" | tr -d '\r') ||
  e2e_fail "drivora explain failed: $(cat "$E2E_ARTIFACTS/explain.err")"
simulated=$(awk '$1 == "port" && ($2 == "byte" || $2 == "dword") { print $1, $2, $3, $4 }' <<<"$explained")
[ "$(wc -l <<<"$simulated")" -eq 4 ] || e2e_fail "drivora explain printed no port counts: $explained"
diff -u <(echo "$simulated") <(echo "$traffic") >"$E2E_ARTIFACTS/traffic.diff" ||
  e2e_fail "the harness saw other port traffic than the in-process simulation: $(cat "$E2E_ARTIFACTS/traffic.diff")"
e2e_log "PASS: the wizard closed through its exit row, the Run value gone; port traffic as simulated: $(tr '\n' ',' <<<"$traffic")"
echo "PASS"
