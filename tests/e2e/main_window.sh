#!/usr/bin/env bash
# The wizard on the demo disc, used as a person would: the real Setup.exe
# under Wine on a private screen, with the test build of the I/O driver on the
# demo board g41-w83627 under Windows XP, in a prefix of the test's own.
#
# One start (detection takes about a minute) serves every check in order: the
# driver's service gone once the window is up, the window and its picture (a
# 16-bit SETUP.BMP without colour table lies beside the program, so the
# built-in picture shows), the rows, hover, Enter, the popup menu and About,
# a second start, installing a package, browsing the disc, rows activated
# while another installs, and leaving through the exit row after the restart
# question.
# Usage: main_window.sh WINDOWS_BUILD_DIR ARTIFACT_DIR
set -euo pipefail
# shellcheck source=tests/e2e/lib.sh
source "$(dirname "$0")/lib.sh"
# shellcheck source=tests/e2e/pictures.sh
source "$(dirname "$0")/pictures.sh"

e2e_wizard_begin "$1" "$2" main
root=$(cd "$E2E_TESTS_DIR/.." && pwd)
board=g41-w83627
export LANG=C.UTF-8 LC_ALL=C.UTF-8
e2e_wizard_machine "$board"
e2e_write_picture 16-bit "$WIZ_DISC/SETUP.BMP"
e2e_wizard_start program
e2e_log "the wizard is up"
e2e_service_gone || e2e_fail "the service S12345 is still registered while the window is open"
e2e_log "PASS: the wizard detected through the driver and removed its service"

# --- the window -----------------------------------------------------------------
window=$(main_window)
printf '%s\n' "$window" >"$E2E_ARTIFACTS/window.txt"
read -r client_width client_height <<<"$(awk -F'\t' '$1 == "G" { print $2, $3 }' <<<"$window")"
read -r left top right bottom <<<"$(awk -F'\t' '$1 == "G" { print $4 }' <<<"$window")"
[ "$client_width x $client_height" = "520 x 470" ] || e2e_fail "the client area is ${client_width}x$client_height, not 520x470"
outer_width=$((right - left)) outer_height=$((bottom - top))
# A frame without a caption bar is as thick at the top as at the sides.
[ $((outer_height - client_height)) -eq $((outer_width - client_width)) ] ||
  e2e_fail "the window has a caption bar: ${outer_width}x$outer_height around ${client_width}x$client_height"
[ "$left" -eq $(((1024 - outer_width) / 2)) ] && [ "$top" -eq $(((768 - outer_height) / 2)) ] ||
  e2e_fail "the window is not centred on the 1024x768 screen: it is at $left,$top"
frame=$(((outer_width - client_width) / 2))
client_x=$((left + frame)) client_y=$((top + frame))

# client_shot NAME: the client area as a PNG in the artifact folder; prints its path.
client_shot() {
  local shot="$E2E_ARTIFACTS/$1.png"
  import -display "$DISPLAY" -window root -crop "520x470+$client_x+$client_y" +repage "$shot" || e2e_fail "no screenshot"
  echo "$shot"
}
# The description text's rectangle of the client area.
text_region() { convert "$1" -crop 320x254+32+216 +repage -format '%#' info:; }

shot=$(client_shot window)
e2e_expect_builtin_picture 16-bit "$shot"
[ "$(e2e_pixel "$shot" 10 10)" = "0,0,255" ] || e2e_fail "the picture's blue field is $(e2e_pixel "$shot" 10 10) at 10,10"
[ "$(e2e_pixel "$shot" 391 460)" = "0,0,255" ] || e2e_fail "the picture does not reach pixel 391"
[ "$(e2e_pixel "$shot" 450 440)" = "255,224,16" ] || e2e_fail "the list is $(e2e_pixel "$shot" 450 440), not the list colour"
list_left=$(awk -F'\t' '$1 == "C" && $3 == "SysListView32" { split($6, r, " "); print r[1] - '"$client_x"' }' <<<"$window")
[ "$list_left" -eq 392 ] || e2e_fail "the list starts at client pixel $list_left, not 392"
probe | awk -F'\t' '$1 == "W" { print $5 }' | grep -qx 'Drivora\.\.\.' || e2e_fail "no window titled Drivora... in the window list"
e2e_log "the window: 520x470 client area, centred, no caption bar, picture left of 392, the list colour"

# --- the rows -------------------------------------------------------------------
# The image of a key: its category's place in the list (after "RST." the
# category that follows it), 20 (OTHER) for anything else.
categories=(EXPLORER EXIT INTEL VIA SIS INF VXD IDE VGA SOUND LAN USB 1394 RAID DIRECTX PCC MONITOR BIOS APP TWIN OTHER)
image_of() {
  local key=${1#RST.} i
  for i in "${!categories[@]}"; do [ "${key%%.*}" = "${categories[$i]}" ] && { echo "$i"; return; }; done
  echo 20
}
expected_rows=$(while IFS=$'\t' read -r key _; do
  name=${key#RST.}
  [[ $name == *.* ]] && name=${name#*.}
  printf '%s\t%s\n' "$(image_of "$key")" "$name"
done <"$root/tests/expected/$board--xp.tsv")
shown_rows=$(awk -F'\t' '$1 == "R" { print $3 "\t" $6 }' <<<"$window")
diff -u <(echo "$expected_rows") <(echo "$shown_rows") >"$E2E_ARTIFACTS/rows.diff" ||
  e2e_fail "the rows (image, name) differ from the catalogue: $(cat "$E2E_ARTIFACTS/rows.diff")"
e2e_log "the rows: $(wc -l <<<"$shown_rows") in catalogue order with their category images"

# --- hover ------------------------------------------------------------------------
before=$(text_region "$shot")
rest_on_row "Intel graphics driver" || e2e_fail "could not rest on a row"
sleep 0.5
hovered=$(text_region "$(client_shot hovered)")
[ "$hovered" != "$before" ] || e2e_fail "resting on a row did not change the description"
xdotool mousemove $((client_x + 100)) $((client_y + 100))
sleep 1
[ "$(text_region "$(client_shot left-the-list)")" = "$hovered" ] ||
  e2e_fail "the description changed when the mouse left the list"
e2e_log "hover: the description follows the row and stays when the mouse leaves"

# --- Enter, the popup menu and About ------------------------------------------------
main_id=$(xdotool search --onlyvisible --name '^Drivora\.\.\.$' | head -n 1)
e2e_key "$main_id" Return
sleep 1
[ -z "$(boxes)" ] && [ -n "$(main_window)" ] || e2e_fail "Enter did something: $(probe)"
xdotool mousemove $((client_x + 150)) $((client_y + 300)) click 3
sleep 1
e2e_key "$main_id" a
about=
for _ in $(seq 20); do about=$(boxes) && [ -n "$about" ] && break; sleep 0.5; done
[ -n "$about" ] || e2e_fail "About did not open from the popup menu"
printf '%s\n' "$about" >"$E2E_ARTIFACTS/about.txt"
[ "$(awk -F'\t' '$1 == "W" { print $5; exit }' <<<"$about")" = "Drivora..." ] || e2e_fail "the About box's caption: $about"
[ "$(awk -F'\t' '$1 == "C" && $2 == 65535 { print $5 }' <<<"$about")" = 'Drivora...\n  Version 1.1' ] ||
  e2e_fail "the About box's text: $about"
answer_boxes
[ -z "$(boxes)" ] || e2e_fail "the About box did not close"
e2e_log "Enter does nothing; the popup menu's About shows the About box"

# --- a second start only raises the first ---------------------------------------
(cd "$WIZ_DISC" && exec wine 'D:\Setup.exe') >"$E2E_ARTIFACTS/second.log" 2>&1 &
second=$!
for _ in $(seq 100); do kill -0 "$second" 2>/dev/null || break; sleep 0.2; done
kill -0 "$second" 2>/dev/null && e2e_fail "a second start is still running 20 s later"
wait "$second" || e2e_fail "a second start ended with an error"
[ "$(probe "Drivora..." | grep -c '^W')" -eq 1 ] || e2e_fail "a second window appeared"
e2e_log "a second start ended at once, leaving the first window alone"

# --- installing, browsing, leaving ------------------------------------------------
log="$WIZ_DISC/CHIPSET/INTEL/INSTALL.LOG"
activate_row "Intel chipset INF update" || e2e_fail "no row to install"
minimised=0
for _ in $(seq 20); do
  [ "$(main_window | awk -F'\t' '$1 == "G" { print $5 }')" = 1 ] && { minimised=1; break; }
  sleep 0.25
done
[ "$minimised" = 1 ] || e2e_fail "the window was not minimised while the installer ran"
wait_disc_idle 120 || e2e_fail "the installer still ran 2 minutes later"
tr -d '\r' <"$log" 2>/dev/null | grep -qxF $'Intel chipset INF update\tD:\\CHIPSET\\INTEL' ||
  e2e_fail "the installer did not run in its folder: $(cat "$log" 2>/dev/null)"
e2e_log "an ordinary row ran its installer in its own folder, with the window minimised"

activate_row "Browse this disc" || e2e_fail "no browse row"
explorer=
for _ in $(seq 40); do
  explorer=$(probe | awk -F'\t' '$1 == "W" && $4 == "ExplorerWClass" { print $5; exit }')
  [ -n "$explorer" ] && break
  sleep 0.5
done
[ -n "$explorer" ] || e2e_fail "the browse row opened no Explorer window"
probe --close "$explorer" >/dev/null
[ "$(wc -l <"$log")" -eq 1 ] || e2e_fail "the browse row ran an installer"
e2e_log "the browse row opened Explorer on the disc ($explorer) and ran nothing"

# --- rows activated while another installs wait their turn ---------------------
# Both installers write their beginning and end into one trace; the first
# holds until the test releases it, so that the activations surely come while
# it runs: its own row once more (as a person does when nothing seems to
# happen), then a second row.
order="$WIZ_DISC/ORDER.LOG"
printf 'marker\tD:\\ORDER.LOG\tgraphics begins\nawait\tD:\\RELEASE.FLG\t120000\nmarker\tD:\\ORDER.LOG\tgraphics ends\n' \
  >"$WIZ_DISC/VGA/INTEL/SETUP.ARG"
printf 'marker\tD:\\ORDER.LOG\tDirectX begins\nmarker\tD:\\ORDER.LOG\tDirectX ends\n' >"$WIZ_DISC/DIRECTX/DXSETUP.ARG"
traced() { tr -d '\r' <"$order" 2>/dev/null | cut -f 1; }
activate_row "Intel graphics driver" || e2e_fail "no graphics row"
for _ in $(seq 120); do traced | grep -qx 'graphics begins' && break; sleep 0.5; done
traced | grep -qx 'graphics begins' || e2e_fail "the graphics installer did not start: $(traced)"
activate_row "Intel graphics driver" || e2e_fail "the graphics row could not be activated again"
activate_row "DirectX 9.0c" || e2e_fail "no DirectX row"
sleep 3
[ "$(traced | tr '\n' ,)" = "graphics begins," ] ||
  e2e_fail "something started beside the graphics installer: $(traced | tr '\n' ,)"
: >"$WIZ_DISC/RELEASE.FLG"
for _ in $(seq 240); do traced | grep -qx 'DirectX ends' && break; sleep 0.5; done
wait_disc_idle 120 || e2e_fail "the installers still ran 2 minutes after the release"
sleep 2
[ "$(traced | tr '\n' ,)" = "graphics begins,graphics ends,DirectX begins,DirectX ends," ] ||
  e2e_fail "each installer should have run once, in activation order: $(traced | tr '\n' ,)"
e2e_log "a row activated twice ran once; the second row waited for it, then ran once"

activate_row "Exit" || e2e_fail "no exit row"
question=
for _ in $(seq 40); do question=$(boxes) && [ -n "$question" ] && break; sleep 0.5; done
[ "$(awk -F'\t' '$1 == "C" && $2 == 65535 { print $5 }' <<<"$question")" = "Setup has finished. Restart your computer now?" ] ||
  e2e_fail "the exit row did not ask about a restart: $question"
answer_boxes
e2e_wait_program_exit 60
[ "$E2E_PROGRAM_RC" -eq 0 ] || e2e_fail "the wizard ended with exit code $E2E_PROGRAM_RC"
e2e_log "the exit row asked about a restart, and No ended the wizard"
echo "PASS"
