#!/usr/bin/env bash
# Setup.exe copied alone into an empty folder: a person sees the error box
# "Not find file..." naming the configuration file it looked for (the
# program's own path in capitals, ".EXE" turned into ".INI"), presses Enter,
# and the program ends with exit code 0 without opening anything else.
# Usage: missing_setup_ini.sh SETUP_EXE WINPROBE_EXE ARTIFACT_DIR
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

setup_exe=$1
E2E_WINPROBE=$2
e2e_begin "$3"

disc="$E2E_TMP/disc"
mkdir "$disc"
cp "$setup_exe" "$disc/Setup.exe"
# What Windows calls the folder (Wine shows the Unix root as drive Z:), in
# upper case as the program writes it.
expected_path="Z:${disc//\//\\}\\SETUP.INI"
expected_path=${expected_path^^}

e2e_start_xvfb
e2e_start_program "$disc" Setup.exe
e2e_wait_window "Not find file..." 60
box=$E2E_WINDOW
e2e_log "the box is up (X window $box)"

listing=$(e2e_probe "Not find file...") || e2e_fail "winprobe found no window titled 'Not find file...'"
echo "$listing"
# Exactly one such box, a plain message box without an owner window.
[ "$(grep -c '^W' <<<"$listing")" -eq 1 ] || e2e_fail "expected one box, found: $listing"
IFS=$'\t' read -r _ _ owner class _ <<<"$(grep '^W' <<<"$listing")"
[ "$class" = "#32770" ] || e2e_fail "the box is a '$class' window, not a message box"
[ "$owner" = "00000000" ] || e2e_fail "the box has the owner window $owner; it should have none"
# Its text is the expected path and nothing else.
texts=$(awk -F'\t' '$1 == "C" && tolower($3) == "static" && $5 != "" { print $5 }' <<<"$listing")
[ "$texts" = "$expected_path" ] || e2e_fail "the box says '$texts', expected '$expected_path'"
# An OK box: one visible button, "OK".
buttons=$(awk -F'\t' '$1 == "C" && tolower($3) == "button" && $4 == 1 { print $5 }' <<<"$listing")
[ "$buttons" = "OK" ] || e2e_fail "expected a single OK button, found: $(tr '\n' '|' <<<"$buttons")"

# The program waits for the person: it must still be there while the box is up.
e2e_program_running || e2e_fail "the program ended while its box was still on the screen"
e2e_key "$box" Return

e2e_wait_program_exit 30
[ "$E2E_PROGRAM_RC" -eq 0 ] || e2e_fail "Setup.exe ended with exit code $E2E_PROGRAM_RC, expected 0"
e2e_log "Setup.exe ended with exit code 0"
if timeout 10 xdotool search --onlyvisible --name . >/dev/null 2>&1; then
  e2e_fail "a window is still on the screen after the program ended"
fi
echo "PASS"
