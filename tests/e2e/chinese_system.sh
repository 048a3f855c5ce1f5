#!/usr/bin/env bash
# The wizard on a Chinese system (language 2052, code page 936): the title and
# the About box come from the Chinese twins of the string table, the browse
# and exit rows and the first description from the disc's LANG.2052 section;
# the popup menu is the English one, and its Close ends the wizard. A
# truncated SETUP.BMP lies beside the program: the built-in picture shows.
# Usage: chinese_system.sh WINDOWS_BUILD_DIR ARTIFACT_DIR
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=tests/e2e/pictures.sh
source "$(dirname "$0")/pictures.sh"

e2e_wizard_begin "$1" "$2" chinese
root=$(cd "$E2E_TESTS_DIR/.." && pwd)
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

# What the program shows, in the code page it writes: GBK.
gbk() { printf '%s' "$1" | iconv -f UTF-8 -t GBK; }
# The disc's own LANG.2052 text for KEY, as bytes.
lang_text() { LC_ALL=C sed -n '/^\[LANG\.2052\]/,/^\[/p' "$root/demo/disc/Setup.ini" | tr -d '\r' | LC_ALL=C sed -n "s/^$1=//p"; }

e2e_wizard_machine g41-w83627
e2e_write_picture truncated "$WIZ_DISC/SETUP.BMP"
e2e_wizard_start program
window=$(main_window)
printf '%s\n' "$window" >"$E2E_ARTIFACTS/window.txt"
e2e_client_shot "$E2E_ARTIFACTS/window.png"
e2e_expect_builtin_picture truncated "$E2E_ARTIFACTS/window.png"

[ "$(awk -F'\t' '$1 == "W" { print $5 }' <<<"$window")" = "Drivora..." ] || e2e_fail "the title is not Drivora..."
[ "$(awk -F'\t' '$1 == "R" { print $6 }' <<<"$window" | tail -n 2)" = "$(lang_text Explorer)
$(lang_text Exit)" ] || e2e_fail "the browse and exit rows are not the LANG.2052 names: $(awk -F'\t' '$1 == "R" { print $6 }' <<<"$window" | tail -n 2 | iconv -f GBK -t UTF-8)"
[ "$(awk -F'\t' '$1 == "C" && $2 == 1014 { print $5 }' <<<"$window")" = "$(lang_text Install)" ] ||
  e2e_fail "the first description is not the LANG.2052 Install text"
[ "$(lang_text Exit)" = "$(gbk 退出)" ] || e2e_fail "the disc's LANG.2052 section is not the one this test knows"
e2e_log "the rows and the description come from LANG.2052"

main_id=$(xdotool search --onlyvisible --name '^Drivora\.\.\.$' | head -n 1)
xdotool mousemove 300 300 click 3
sleep 1
e2e_key "$main_id" a
about=
for _ in $(seq 20); do about=$(boxes) && [ -n "$about" ] && break; sleep 0.5; done
[ "$(awk -F'\t' '$1 == "W" { print $5; exit }' <<<"$about")" = "Drivora..." ] &&
  [ "$(awk -F'\t' '$1 == "C" && $2 == 65535 { print $5 }' <<<"$about")" = 'Drivora...\n  Version 1.1' ] ||
  e2e_fail "the About box is not the Chinese twins' text: $about"
answer_boxes
e2e_log "the About box shows strings 19 and 21"

xdotool mousemove 300 300 click 3
sleep 1
e2e_key "$main_id" c
e2e_wait_program_exit 60
[ "$E2E_PROGRAM_RC" -eq 0 ] || e2e_fail "the wizard ended with exit code $E2E_PROGRAM_RC"
e2e_log "the popup menu's Close ended the wizard"
echo "PASS"
