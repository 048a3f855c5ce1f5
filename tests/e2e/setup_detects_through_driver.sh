#!/usr/bin/env bash
# A disc with the test build of the I/O driver beside Setup.exe, on a machine
# whose board is the demo board g41-w83627: Setup.exe installs the driver as the
# service S12345, detects through it and removes the service again, leaving
# nothing registered. drivora.exe, run on the same machine with --hardware (the
# same start-up code through the same driver), lists exactly the reviewed
# catalogue of that board under Windows XP.
# Usage: setup_detects_through_driver.sh SETUP_EXE WINPROBE_EXE ARTIFACT_DIR DRIVORA_EXE DRIVER_DIR
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

setup_exe=$1
E2E_WINPROBE=$2
e2e_begin "$3"
drivora_exe=$4
driver_dir=$5
root=$(cd "$E2E_TESTS_DIR/.." && pwd)
board=g41-w83627
service_key='HKLM\System\CurrentControlSet\Services\S12345'
board_key='HKLM\Software\Drivora\PortIoTest'

windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }

disc="$E2E_TMP/disc"
mkdir "$disc"
cp "$setup_exe" "$disc/Setup.exe"
cp "$drivora_exe" "$disc/drivora.exe"
cp "$root/demo/disc/Setup.ini" "$disc/Setup.ini"
cp "$driver_dir"/*.sys "$disc/"

# The machine: its board (read by the test driver), the sound device Windows
# enumerated on it, and Windows XP reported to both programs.
enum_keys=$(sed -n 's/^Key=//p' "$root/demo/boards/$board.board" | tr -d '\r')
undo_machine() {
  wine reg delete "$board_key" /f >/dev/null 2>&1 || true
  while IFS= read -r key; do [ -n "$key" ] && wine reg delete "HKLM\\Enum\\$key" /f >/dev/null 2>&1; done <<<"$enum_keys"
  for program in Setup.exe drivora.exe; do
    wine reg delete "HKCU\\Software\\Wine\\AppDefaults\\$program" /f >/dev/null 2>&1 || true
  done
}
trap 'undo_machine; e2e_cleanup' EXIT
wine reg add "$board_key" /v BoardFile /d "$(windows_path "$root/demo/boards/$board.board")" /f >/dev/null
while IFS= read -r key; do [ -n "$key" ] && wine reg add "HKLM\\Enum\\$key" /f >/dev/null; done <<<"$enum_keys"
for program in Setup.exe drivora.exe; do
  wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d winxp /f >/dev/null
done

service_gone() {
  for _ in $(seq 150); do
    wine reg query "$service_key" >/dev/null 2>&1 || return 0
    sleep 0.2
  done
  return 1
}

e2e_start_xvfb
# One detection costs about a minute of driver requests under Wine; the
# driver is gone by the time the window opens, and Escape closes it.
e2e_start_program "$disc" Setup.exe
e2e_wait_window "Drivora..." 300
service_gone || e2e_fail "the service S12345 is still registered while the window is open"
e2e_key "$E2E_WINDOW" Escape
e2e_wait_program_exit 30
[ "$E2E_PROGRAM_RC" -eq 0 ] || e2e_fail "Setup.exe ended with exit code $E2E_PROGRAM_RC"
if timeout 10 xdotool search --onlyvisible --name . >/dev/null 2>&1; then
  e2e_fail "a window is still on the screen after Setup.exe ended: $(e2e_probe)"
fi
e2e_log "Setup.exe detected through the driver and removed the service"

listed=$(cd "$disc" && timeout 300 wine drivora.exe catalogue Setup.ini --hardware --tsv 2>"$E2E_ARTIFACTS/drivora.err" | tr -d '\r') ||
  e2e_fail "drivora.exe --hardware failed: $(cat "$E2E_ARTIFACTS/drivora.err")"
printf '%s\n' "$listed" >"$E2E_ARTIFACTS/catalogue.tsv"
diff -u "$root/tests/expected/$board--xp.tsv" "$E2E_ARTIFACTS/catalogue.tsv" ||
  e2e_fail "the catalogue detected through the driver differs from the reviewed one"
service_gone || e2e_fail "the service S12345 is still registered after drivora.exe ended"
echo "PASS"
