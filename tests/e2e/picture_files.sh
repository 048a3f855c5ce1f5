#!/usr/bin/env bash
# Picture files beside the program: the wizard shows a usable SETUP.BMP on the
# left of its window, cut at pixel 392 and at the bottom, never scaled, and
# shows its built-in picture for every file it cannot use, without crashing.
# One start of the wizard per file, in a prefix of the test's own; each ends
# through the exit row, which asks nothing since nothing was launched.
#
# Usage: picture_files.sh WINDOWS_BUILD_DIR ARTIFACT_DIR KIND...
#   KIND: valid, 16-bit (no colour table), v4-header (108 bytes), truncated, garbage
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"

build=$1 artifacts=$2
shift 2
e2e_wizard_begin "$build" "$artifacts" "pictures-$(echo "$@" | tr ' ' '-')"
root=$(cd "$E2E_TESTS_DIR/.." && pwd)
export LANG=C.UTF-8 LC_ALL=C.UTF-8

le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }

# A 16-bit picture without colour table: the wizard has no palette for it.
sixteen_bit_picture() {
  printf 'BM'; le32 $((54 + 128)); le32 0; le32 54
  le32 40; le32 8; le32 8; le16 1; le16 16; le32 0; le32 0; le32 0; le32 0; le32 0; le32 0
  head -c 128 /dev/zero | tr '\0' '\377'
}

# An 8-bit picture behind a 108-byte (version 4) header.
v4_header_picture() {
  printf 'BM'; le32 $((14 + 108 + 1024 + 64)); le32 0; le32 $((14 + 108 + 1024))
  le32 108; le32 8; le32 8; le16 1; le16 8; le32 0; le32 64; le32 0; le32 0; le32 256; le32 0
  head -c 68 /dev/zero
  head -c 1088 /dev/zero
}

# The file header and half an info header.
truncated_picture() {
  printf 'BM'; le32 1000; le32 0; le32 54
  le32 40; le32 393; le32 503; le16 1; le16 8
}

# A file header followed by bytes without meaning, the same every run.
garbage_picture() {
  printf 'BM'
  perl -e 'srand(7); print map { chr(int(rand(256))) } 1 .. 8190'
}

# 500x600, 8 bits: red, a white band in its top 10 rows, green from column
# 392 on, blue in its rows from 470 on. Shown uncut it would show green and
# blue; scaled, the white band would move.
valid_picture() {
  convert -size 500x600 xc:red -fill white -draw 'rectangle 0,0 499,9' -fill lime -draw 'rectangle 392,0 499,599' \
    -fill blue -draw 'rectangle 0,470 499,599' -type Palette -depth 8 BMP3:-
}

# The built-in picture's part above the description text, as the wizard
# draws it.
reference=$E2E_TMP/builtin-top.png
convert "$root/res/background.bmp" -crop 392x216+0+0 +repage "$reference"

e2e_wizard_machine rs780-plain

# start_with_picture KIND: the wizard with that SETUP.BMP beside it; SHOT
# becomes the path of a screenshot of its client area.
SHOT=
start_with_picture() {
  local kind=$1 window left top right bottom
  SHOT="$E2E_ARTIFACTS/$1.png"
  case $kind in
    valid) valid_picture ;;
    16-bit) sixteen_bit_picture ;;
    v4-header) v4_header_picture ;;
    truncated) truncated_picture ;;
    garbage) garbage_picture ;;
    *) e2e_fail "no picture kind $kind" ;;
  esac >"$WIZ_DISC/SETUP.BMP"
  e2e_wizard_start "program-$kind"
  window=$(main_window)
  read -r left top right bottom <<<"$(awk -F'\t' '$1 == "G" { print $4 }' <<<"$window")"
  import -display "$DISPLAY" -window root -crop "520x470+$((left + (right - left - 520) / 2))+$((top + (bottom - top - 470) / 2))" \
    +repage "$SHOT" || e2e_fail "no screenshot"
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
    convert "$shot" -crop 392x216+0+0 +repage "$E2E_TMP/top.png"
    differing=$(compare -metric AE "$reference" "$E2E_TMP/top.png" null: 2>&1 || true)
    [ "$differing" = 0 ] || e2e_fail "$kind picture: $differing pixels differ from the built-in picture"
    e2e_log "$kind picture: the built-in picture is shown"
  fi
  close_wizard
done
echo "PASS"
