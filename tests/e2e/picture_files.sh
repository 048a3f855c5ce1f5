#!/usr/bin/env bash
# Picture files beside the program: the wizard shows a usable SETUP.BMP on the
# left of its window, cut at pixel 392 and at the bottom, never scaled, and
# shows its built-in picture for every file it cannot use, without crashing.
# One start of the wizard per file, in a prefix of the test's own; each ends
# through the exit row, which asks nothing since nothing was launched, but the
# last, which ends through Escape.
#
# Usage: picture_files.sh WINDOWS_BUILD_DIR ARTIFACT_DIR KIND...
#   KIND: valid, 16-bit (no colour table), v4-header (108 bytes), truncated, garbage
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=tests/e2e/pictures.sh
source "$(dirname "$0")/pictures.sh"

build=$1 artifacts=$2
shift 2
e2e_wizard_begin "$build" "$artifacts" "pictures-$(echo "$@" | tr ' ' '-')"
export LANG=C.UTF-8 LC_ALL=C.UTF-8

e2e_wizard_machine rs780-plain

# start_with_picture KIND: the wizard with that SETUP.BMP beside it; SHOT
# becomes the path of a screenshot of its client area.
SHOT=
start_with_picture() {
  local kind=$1
  SHOT="$E2E_ARTIFACTS/$1.png"
  e2e_write_picture "$kind" "$WIZ_DISC/SETUP.BMP"
  e2e_wizard_start "program-$kind"
  e2e_client_shot "$SHOT"
}

# Through the exit row: with nothing launched, no restart question comes.
close_wizard() {
  activate_row "$(row_names | tail -n 1)" || e2e_fail "no exit row"
  local deadline=$((SECONDS + 60))
  while e2e_program_running; do
    [ -z "$(boxes)" ] || e2e_fail "the exit row asked something although nothing was launched: $(boxes)"
    [ "$SECONDS" -lt "$deadline" ] || e2e_fail "the exit row did not end the wizard"
    sleep 0.3
  done
  e2e_wait_program_exit 5
  [ "$E2E_PROGRAM_RC" -eq 0 ] || e2e_fail "the wizard ended with exit code $E2E_PROGRAM_RC"
}

# Escape ends the dialog too; the screen is then empty and the prefix idle,
# so the driver's service and every window are gone.
close_with_escape() {
  e2e_key "$(xdotool search --onlyvisible --name '^Drivora\.\.\.$' | head -n 1)" Escape
  e2e_wait_program_exit 30
  [ "$E2E_PROGRAM_RC" -eq 0 ] || e2e_fail "Escape: the wizard ended with exit code $E2E_PROGRAM_RC"
  if timeout 10 xdotool search --onlyvisible --name . >/dev/null 2>&1; then
    e2e_fail "a window is still on the screen after the wizard ended: $(e2e_probe)"
  fi
  e2e_log "PASS: Escape ends the wizard with exit code 0 and leaves no window"
}

last=${*: -1}
for kind in "$@"; do
  start_with_picture "$kind"
  shot=$SHOT
  if [ "$kind" = valid ]; then
    expect() { [ "$(e2e_pixel "$shot" "$1" "$2")" = "$3" ] || e2e_fail "valid picture: $(e2e_pixel "$shot" "$1" "$2") at $1,$2, expected $3 ($4)"; }
    expect 10 5 255,255,255 "the top band, unscaled"
    expect 10 15 255,0,0 "the picture"
    expect 391 300 255,0,0 "the picture's column 391"
    expect 450 300 255,224,16 "the list, not the picture's column 450"
    expect 10 465 255,0,0 "the picture's row 465; row 470 on lies below the client area"
    e2e_log "valid picture: shown from the top left, cut at 392 and the bottom, not scaled"
  else
    e2e_expect_builtin_picture "$kind" "$shot"
  fi
  if [ "$kind" = "$last" ]; then
    close_with_escape
  else
    close_wizard
  fi
done
echo "PASS"
