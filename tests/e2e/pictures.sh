# shellcheck shell=bash
# Picture files for SETUP.BMP, and the check that the wizard shows its
# built-in picture instead of one it cannot use: sourced by the end-to-end
# scripts after lib.sh. Each start of the wizard costs a whole detection under
# Wine, so every start carries one picture file: the ones the wizard refuses
# ride along with starts that check other things.
#
#   e2e_write_picture KIND FILE   valid, 16-bit (no colour table), v4-header
#                                 (108 bytes), truncated or garbage
#   e2e_client_shot FILE          a PNG of the wizard's client area (520x470)
#   e2e_expect_builtin_picture KIND SHOT
#                                 SHOT (the client area, 520x470) shows the
#                                 built-in picture above the description text

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

e2e_write_picture() {
  case $1 in
    valid) valid_picture ;;
    16-bit) sixteen_bit_picture ;;
    v4-header) v4_header_picture ;;
    truncated) truncated_picture ;;
    garbage) garbage_picture ;;
    *) e2e_fail "no picture kind $1" ;;
  esac >"$2"
}

# The built-in picture's part above the description text is compared pixel
# for pixel with res/background.bmp.
e2e_expect_builtin_picture() {
  local kind=$1 shot=$2 reference=$E2E_TMP/builtin-top.png differing
  [ -f "$reference" ] || convert "$E2E_TESTS_DIR/../res/background.bmp" -crop 392x216+0+0 +repage "$reference"
  convert "$shot" -crop 392x216+0+0 +repage "$E2E_TMP/top.png"
  differing=$(compare -metric AE "$reference" "$E2E_TMP/top.png" null: 2>&1 || true)
  [ "$differing" = 0 ] || e2e_fail "$kind picture: $differing pixels differ from the built-in picture"
  e2e_log "PASS: a $kind SETUP.BMP: the built-in picture is shown"
}

e2e_client_shot() {
  local left top right bottom
  read -r left top right bottom <<<"$(main_window | awk -F'\t' '$1 == "G" { print $4 }')"
  [ -n "$bottom" ] || e2e_fail "no main window to take a picture of"
  import -display "$DISPLAY" -window root -crop "520x470+$((left + (right - left - 520) / 2))+$((top + (bottom - top - 470) / 2))" \
    +repage "$1" || e2e_fail "no screenshot"
}
