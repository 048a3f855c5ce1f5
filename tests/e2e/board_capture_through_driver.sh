#!/usr/bin/env bash
# drivora.exe board capture, run on a machine whose board the test build of
# the I/O driver plays (a demo board), records that board through the
# wizard's own driver; the captured file (with its firmware image) then lists
# exactly the catalogue of the original board, and no service stays behind.
# Usage: board_capture_through_driver.sh DRIVORA_EXE DRIVER_DIR ARTIFACT_DIR PREFIX BOARD...
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

drivora_exe=$1
driver_dir=$2
artifacts=$3
prefix=$4
shift 4
e2e_begin "$artifacts" "$prefix"
root=$(cd "$E2E_TESTS_DIR/.." && pwd)
board_key='HKLM\Software\Drivora\PortIoTest'

windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }

tool="$E2E_TMP/tool"
mkdir "$tool"
cp "$drivora_exe" "$tool/drivora.exe"
cp "$driver_dir"/*.sys "$tool/"
cp "$root/demo/disc/Setup.ini" "$tool/Setup.ini"

# The prefix is this test's own: the whole of HKLM\Enum goes, so that no
# parent key of an earlier board is captured with the next.
undo_board() {
  wine reg delete "$board_key" /f >/dev/null 2>&1 || true
  wine reg delete 'HKLM\Enum' /f >/dev/null 2>&1 || true
}
undo_machine() {
  undo_board
  wine reg delete 'HKCU\Software\Wine\AppDefaults\drivora.exe' /f >/dev/null 2>&1 || true
}
trap 'undo_machine; e2e_cleanup' EXIT
wine reg add 'HKCU\Software\Wine\AppDefaults\drivora.exe' /v Version /d winxp /f >/dev/null

catalogue() { (cd "$tool" && wine drivora.exe catalogue Setup.ini --board "$1" --windows xp --tsv | tr -d '\r'); }

for board in "$@"; do
  undo_board
  enum_keys=$(sed -n 's/^Key=//p' "$root/demo/boards/$board.board" | tr -d '\r')
  wine reg add "$board_key" /v BoardFile /d "$(windows_path "$root/demo/boards/$board.board")" /f >/dev/null
  while IFS= read -r key; do
    if [ -n "$key" ]; then wine reg add "HKLM\\Enum\\$key" /f >/dev/null; fi
  done <<<"$enum_keys"

  started=$(date +%s)
  (cd "$tool" && timeout 600 wine drivora.exe board capture "$board.board" >"$E2E_ARTIFACTS/$board.out" 2>"$E2E_ARTIFACTS/$board.err") ||
    e2e_fail "drivora.exe board capture failed on $board: $(cat "$E2E_ARTIFACTS/$board.err")"
  e2e_log "captured $board in $(($(date +%s) - started)) s: $(head -1 "$E2E_ARTIFACTS/$board.out" | tr -d '\r')"
  e2e_service_gone || e2e_fail "the service S12345 is still registered after the capture of $board"
  cp "$tool/$board.board" "$tool/$board.rom" "$E2E_ARTIFACTS/"
  [ -s "$E2E_ARTIFACTS/$board.err" ] && e2e_fail "the capture of $board left something out: $(cat "$E2E_ARTIFACTS/$board.err")"

  (cd "$tool" && wine drivora.exe board check "$board.board" >/dev/null) || e2e_fail "the captured $board does not pass board check"
  catalogue "$(windows_path "$root/demo/boards/$board.board")" >"$E2E_ARTIFACTS/$board--original.tsv"
  catalogue "$board.board" >"$E2E_ARTIFACTS/$board--captured.tsv"
  [ -s "$E2E_ARTIFACTS/$board--original.tsv" ] || e2e_fail "no catalogue for the original $board"
  diff -u "$E2E_ARTIFACTS/$board--original.tsv" "$E2E_ARTIFACTS/$board--captured.tsv" ||
    e2e_fail "the captured $board lists another catalogue than the board itself"
done
echo "PASS"
