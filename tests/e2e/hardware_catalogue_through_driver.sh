#!/usr/bin/env bash
# drivora.exe, run with --hardware on a machine whose board is the demo board
# g41-w83627 (read by the test build of the I/O driver beside it), detects
# through the driver with the wizard's own start-up code and lists exactly the
# reviewed catalogue of that board under Windows XP, and leaves the driver's
# service removed. (Setup.exe's own detection through the driver is checked
# by the main window's test, on the same board.)
# Usage: hardware_catalogue_through_driver.sh ARTIFACT_DIR DRIVORA_EXE DRIVER_DIR
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

e2e_begin "$1"
drivora_exe=$2
driver_dir=$3
root=$(cd "$E2E_TESTS_DIR/.." && pwd)
board=g41-w83627
board_key='HKLM\Software\Drivora\PortIoTest'

windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }

disc="$E2E_TMP/disc"
mkdir "$disc"
cp "$drivora_exe" "$disc/drivora.exe"
cp "$root/demo/disc/Setup.ini" "$disc/Setup.ini"
cp "$driver_dir"/*.sys "$disc/"

# The machine: its board (read by the test driver), the sound device Windows
# enumerated on it, and Windows XP reported to the tool.
enum_keys=$(sed -n 's/^Key=//p' "$root/demo/boards/$board.board" | tr -d '\r')
undo_machine() {
  wine reg delete "$board_key" /f >/dev/null 2>&1 || true
  while IFS= read -r key; do [ -n "$key" ] && wine reg delete "HKLM\\Enum\\$key" /f >/dev/null 2>&1; done <<<"$enum_keys"
  wine reg delete 'HKCU\Software\Wine\AppDefaults\drivora.exe' /f >/dev/null 2>&1 || true
}
trap 'undo_machine; e2e_cleanup' EXIT
wine reg add "$board_key" /v BoardFile /d "$(windows_path "$root/demo/boards/$board.board")" /f >/dev/null
while IFS= read -r key; do [ -n "$key" ] && wine reg add "HKLM\\Enum\\$key" /f >/dev/null; done <<<"$enum_keys"
wine reg add 'HKCU\Software\Wine\AppDefaults\drivora.exe' /v Version /d winxp /f >/dev/null

listed=$(cd "$disc" && timeout 300 wine drivora.exe catalogue Setup.ini --hardware --tsv 2>"$E2E_ARTIFACTS/drivora.err" | tr -d '\r') ||
  e2e_fail "drivora.exe --hardware failed: $(cat "$E2E_ARTIFACTS/drivora.err")"
printf '%s\n' "$listed" >"$E2E_ARTIFACTS/catalogue.tsv"
diff -u "$root/tests/expected/$board--xp.tsv" "$E2E_ARTIFACTS/catalogue.tsv" ||
  e2e_fail "the catalogue detected through the driver differs from the reviewed one"
e2e_service_gone || e2e_fail "the service S12345 is still registered after drivora.exe ended"
echo "PASS"
