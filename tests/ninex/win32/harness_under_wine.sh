#!/usr/bin/env bash
# The 9x harness in a real process under Wine: ninex_probe, started through
# ninex_launch with the harness on the demo board g41-w83627, executes every
# byte and dword form of in/out and reads the firmware area; the answers are
# the board's, the report counts exactly those instructions, and a 16-bit form
# ends the program with the harness's refusal.
# Usage: harness_under_wine.sh NINEX_DIR BOARD_FILE PREFIX
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/require-32-bit.sh
source "$here/../../require-32-bit.sh"
ninex_dir=$(cd "$1" && pwd)
board=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
export DRIVORA_WINEPREFIX=$3
work=$(mktemp -d "${TMPDIR:-/tmp}/drivora-ninex-XXXXXX")
trap 'rm -rf "$work"' EXIT

windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

# run MODE: the probe through the launcher; its exit code in $code, its
# output in out-MODE.txt.
code=0
run() {
  code=0
  DRIVORA_NINEX_BOARD=$(windows_path "$board") DRIVORA_NINEX_REPORT=$(windows_path "$work/report-$1.txt") \
    timeout 120 "$here/../../wine-run" "$ninex_dir/ninex_launch.exe" "$ninex_dir/ninex_harness.dll" \
    "$(windows_path "$ninex_dir/ninex_probe.exe")" "$1" >"$work/out-$1.txt" 2>"$work/err-$1.txt" || code=$?
}

run forms
out=$(tr -d '\r' <"$work/out-forms.txt")
[ "$code" = 0 ] || fail "the probe ended with $code: $(cat "$work/err-forms.txt") $(cat "$work/report-forms.txt" 2>/dev/null)"
expected="chip-id 52
chip-revision 41
after-exit FF
pci-address 80000000
pci-id 2E308086
port-80 FFFFFFFF
firmware-id DRV-G41M V1.2 03-15-2011"
diff -u <(echo "$expected") <(echo "$out") || fail "the answers differ from the board's"
report=$(tr -d '\r' <"$work/report-forms.txt")
counts="port byte reads 3
port byte writes 5
port dword reads 3
port dword writes 2"
diff -u <(echo "$counts") <(echo "$report") || fail "the harness counted other traffic"
echo "every form answered from the board, the firmware area filled, the traffic counted"

run word
[ "$code" = $((0x9E)) ] || fail "a 16-bit form ended the probe with $code, not the harness's refusal (158)"
grep -q 'refused: .*16-bit port access' "$work/report-word.txt" || fail "no refusal in the report: $(cat "$work/report-word.txt")"
grep -q '16-bit port access' "$work/err-word.txt" || fail "the launcher did not show the refusal: $(cat "$work/err-word.txt")"
echo "a 16-bit form is refused by name"
echo "PASS"
