# shellcheck shell=bash
# The wizard under Wine on a simulated board, used the way a person would:
# sourced by tools/try-disc and by the end-to-end tests.
#
#   wizard_machine PREFIX DISC_DIR BOARD_FILE WINDOWS  lays out the machine
#   wizard_start [LOG]                                  starts D:\Setup.exe
#   wizard_wait_window TIMEOUT                          waits for its window
#   main_window, boxes, answer_boxes, activate_row NAME, wait_disc_idle,
#   close_through_exit_row, window_screenshot FILE      (below)
#
# The caller sets WIZ_BUILD (the Windows build folder) and exports WINEPREFIX,
# LANG and LC_ALL. The machine: a copy of the disc mounted as D: beside the
# built Setup.exe and the test build of the I/O driver, which reads the board
# file named in the registry; the board's [Enum] device keys under HKLM\Enum;
# the Windows version Wine reports to Setup.exe.
#
# On a Windows 9x version the wizard reaches the ports with the processor's
# own instructions and reads the firmware area straight out of memory; under
# Wine the test-only 9x harness (tests/ninex: ninex_launch loads
# ninex_harness.dll into Setup.exe before it runs) answers both from the same
# board file, and writes the port traffic it saw to WIZ_NINEX_REPORT when the
# wizard ends. The harness lies in the build, never on the disc copy.

WIZ_BUILD=${WIZ_BUILD:-}
WIZ_DISC=
WIZ_PID=
WIZ_TITLE="Drivora..."
WIZ_NINEX=0
WIZ_NINEX_BOARD=
WIZ_NINEX_REPORT=

# Whether Wine reports a version of the 9x family for this name.
wiz_is_9x() { case $1 in win95 | win98 | winme) return 0 ;; *) return 1 ;; esac; }

wiz_say() { echo "[wizard $(date +%H:%M:%S)] $*" >&2; }

wiz_windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }

# wizard_machine PREFIX DISC_DIR BOARD_FILE WINDOWS: the disc copy goes to
# PREFIX/drivora-disc, so that it stays with a prefix that is kept.
wizard_machine() {
  local prefix=$1 disc_dir=$2 board_file=$3 windows=$4 board_path reg
  WINEPREFIX=$prefix "$(wiz_root)/tests/wine-prefix" >/dev/null || return 1
  WIZ_DISC=$prefix/drivora-disc
  rm -rf "$WIZ_DISC"
  mkdir -p "$WIZ_DISC"
  cp -R "$disc_dir/." "$WIZ_DISC/"
  chmod -R u+w "$WIZ_DISC"
  rm -f "$WIZ_DISC"/[Ss][Ee][Tt][Uu][Pp].[Ee][Xx][Ee]
  cp "$WIZ_BUILD/Setup.exe" "$WIZ_DISC/Setup.exe"
  cp "$WIZ_BUILD"/portio/test/*.sys "$WIZ_DISC/"
  ln -sfn "$WIZ_DISC" "$prefix/dosdevices/d:"

  board_path=$(wiz_windows_path "$(cd "$(dirname "$board_file")" && pwd)/$(basename "$board_file")")
  WIZ_NINEX=0
  if wiz_is_9x "$windows"; then
    WIZ_NINEX=1
    WIZ_NINEX_BOARD=$board_path
    WIZ_NINEX_REPORT=$prefix/drivora-ninex-report.txt
    rm -f "$WIZ_NINEX_REPORT"
  fi
  reg=$prefix/drivora-machine.reg
  {
    echo "REGEDIT4"
    echo
    echo "[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\Setup.exe]"
    echo "\"Version\"=\"$windows\""
    echo
    echo "[HKEY_LOCAL_MACHINE\\Software\\Drivora\\PortIoTest]"
    echo "\"BoardFile\"=\"${board_path//\\/\\\\}\""
    sed -n 's/^Key=//p' "$board_file" | tr -d '\r' | while IFS= read -r key; do
      [ -n "$key" ] && printf '\n[HKEY_LOCAL_MACHINE\\Enum\\%s]\n' "$key"
    done
  } >"$reg"
  wine regedit /S "$(wiz_windows_path "$reg")" || return 1
  # Programs started without a display leave a desktop that would keep the
  # wizard's window off the screen: the prefix must be idle before it starts.
  timeout 60 wineserver -w
}

wiz_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# wizard_start [LOG]: Setup.exe from drive D:, as a person starts it there;
# on a 9x version through the harness's launcher, which lives as long as the
# wizard and ends with its exit code.
wizard_start() {
  local log=${1:-/dev/null}
  if [ "$WIZ_NINEX" = 1 ]; then
    (cd "$WIZ_DISC" && DRIVORA_NINEX_BOARD=$WIZ_NINEX_BOARD DRIVORA_NINEX_REPORT=$(wiz_windows_path "$WIZ_NINEX_REPORT") \
      exec wine "$WIZ_BUILD/ninex/ninex_launch.exe" "$(wiz_windows_path "$WIZ_BUILD/ninex/ninex_harness.dll")" \
      'D:\Setup.exe') >"$log" 2>&1 &
  else
    (cd "$WIZ_DISC" && exec wine 'D:\Setup.exe') >"$log" 2>&1 &
  fi
  WIZ_PID=$!
}

# The port traffic the 9x harness saw ("port byte reads N", ...), complete
# once the wizard has ended, and a refusal if it met an instruction it does
# not answer; empty on the NT family.
wizard_port_traffic() {
  [ "$WIZ_NINEX" = 1 ] && [ -f "$WIZ_NINEX_REPORT" ] && tr -d '\r' <"$WIZ_NINEX_REPORT"
  return 0
}

wizard_running() { [ -n "$WIZ_PID" ] && kill -0 "$WIZ_PID" 2>/dev/null; }

# wizard_wait_exit TIMEOUT: the exit code, once the wizard has ended.
wizard_wait_exit() {
  local deadline=$((SECONDS + $1)) code=0
  while wizard_running; do
    [ "$SECONDS" -lt "$deadline" ] || return 124
    sleep 0.2
  done
  [ -n "$WIZ_PID" ] && { wait "$WIZ_PID" || code=$?; }
  WIZ_PID=
  return "$code"
}

probe() { timeout 60 wine "$WIZ_BUILD/tests/windows/e2e/winprobe.exe" "$@" 2>/dev/null | tr -d '\r'; }

# The main window's listing (its W record first), empty while it is not up.
# The restart question has the same title; the window with the list is the
# wizard's.
main_window() {
  probe "$WIZ_TITLE" | awk -F'\t' '
    $1 == "W" { if (found) exit; block = $0 "\n"; next }
    { block = block $0 "\n" }
    $1 == "C" && $3 == "SysListView32" { found = 1 }
    END { if (found) printf "%s", block }'
}

# The listings of the message boxes on the screen.
boxes() {
  probe | awk -F'\t' '
    function flush() { if (block != "" && !list) printf "%s", block; block = ""; list = 0 }
    $1 == "W" { flush(); if ($4 == "#32770") block = $0 "\n"; next }
    block != "" { block = block $0 "\n"; if ($1 == "C" && $3 == "SysListView32") list = 1 }
    END { flush() }'
}

wiz_centre() { awk '{ printf "%d %d", ($1 + $3) / 2, ($2 + $4) / 2 }' <<<"$1"; }

# click_at "LEFT TOP RIGHT BOTTOM": the mouse goes there, rests, and clicks.
click_at() {
  local x y
  read -r x y <<<"$(wiz_centre "$1")"
  xdotool mousemove "$x" "$y" sleep 0.2 mousemove "$((x + 1))" "$y" sleep 0.3 click 1
}

# Answers the first box up now: No to a question, its only button to any
# other box, which is reported. False when no box is up.
answer_boxes() {
  local listing caption text rect
  listing=$(boxes)
  [ -n "$listing" ] || return 1
  listing=$(awk -F'\t' '$1 == "W" && seen++ { exit } { print }' <<<"$listing")
  caption=$(awk -F'\t' '$1 == "W" { print $5; exit }' <<<"$listing")
  text=$(awk -F'\t' '$1 == "C" && $3 == "Static" && $5 != "" { print $5; exit }' <<<"$listing")
  rect=$(awk -F'\t' '$1 == "C" && $3 == "Button" && $4 == 1 && ($5 == "&No" || $5 == "No") { print $6; exit }' <<<"$listing")
  if [ -n "$rect" ]; then
    wiz_say "question \"$caption\": $text -- answering No"
  else
    rect=$(awk -F'\t' '$1 == "C" && $3 == "Button" && $4 == 1 { print $6; exit }' <<<"$listing")
    wiz_say "box \"$caption\": $text -- pressing its button"
  fi
  [ -n "$rect" ] && click_at "$rect"
  sleep 0.5
  return 0
}

# Whether a program from the disc (other than the wizard) runs, or commands
# of the disc still wait under RunOnce.
disc_busy() {
  probe --processes | awk -F'\t' '
    toupper(substr($3, 1, 3)) == "D:\\" && toupper($3) != "D:\\SETUP.EXE" { busy = 1 }
    END { exit busy ? 0 : 1 }' && return 0
  wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' 2>/dev/null | tr -d '\r' |
    grep -q -i -F 'D:\'
}

# Waits until the disc's programs have all ended, answering boxes meanwhile;
# idle twice in a row, since the worker pauses between commands.
wait_disc_idle() {
  local idle=0 deadline=$((SECONDS + ${1:-1800}))
  while [ "$idle" -lt 2 ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    wizard_running || return 0
    if answer_boxes || disc_busy; then idle=0; else idle=$((idle + 1)); fi
    sleep 0.5
  done
}

# wizard_wait_window TIMEOUT: waits for the main window, answering the boxes
# that come before it; false when the wizard ended first or time ran out.
wizard_wait_window() {
  local deadline=$((SECONDS + $1))
  while [ "$SECONDS" -lt "$deadline" ]; do
    [ -n "$(main_window)" ] && return 0
    wizard_running || return 1
    answer_boxes || sleep 0.5
  done
  return 1
}

row_names() { main_window | awk -F'\t' '$1 == "R" { print $6 }'; }

row_rect() { main_window | awk -F'\t' -v name="$1" '$1 == "R" && $6 == name { print $5; exit }'; }

wiz_list_rect() { main_window | awk -F'\t' '$1 == "C" && $3 == "SysListView32" { print $6; exit }'; }

# Labels wider than the list make it scroll sideways, and selecting a row
# scrolls it to the row's label. Like a person, this clicks the left arrow of
# the list's scroll bar until the row's image is in view.
wiz_scroll_into_view() {
  local name=$1 list left top right bottom row_left
  list=$(wiz_list_rect)
  read -r left top right bottom <<<"$list"
  for _ in $(seq 60); do
    row_left=$(row_rect "$name" | awk '{ print $1 }')
    [ -n "$row_left" ] || return 1
    [ "$row_left" -ge "$((left - 2))" ] && return 0
    xdotool mousemove "$((left + 8))" "$((bottom - 9))" click --repeat 4 --delay 40 1
  done
  return 1
}

# The centre of the row's image, once it is in view.
wiz_row_image_centre() {
  wiz_scroll_into_view "$1" || return 1
  row_rect "$1" | awk '{ printf "%d %d", $1 + 16, ($2 + $4) / 2 }'
}

# rest_on_row NAME: the mouse rests on the row's image until the row is
# selected, as hovering does.
rest_on_row() {
  local x y
  read -r x y <<<"$(wiz_row_image_centre "$1")"
  [ -n "$y" ] || return 1
  xdotool mousemove "$x" "$y" sleep 0.2 mousemove "$((x + 1))" "$y" sleep 0.6
}

# activate_row NAME: restores the window if it is minimised, rests the mouse
# on the row, then double-clicks it. False when there is no such row.
activate_row() {
  local x y
  probe --restore "$WIZ_TITLE" >/dev/null
  rest_on_row "$1" || return 1
  # Resting on the selected row does not scroll the list again.
  read -r x y <<<"$(wiz_row_image_centre "$1")"
  [ -n "$y" ] || return 1
  xdotool mousemove "$x" "$y" sleep 0.3 click --repeat 2 --delay 80 1
}

# Activates the last row, answers a restart question with No, and waits for
# the wizard to end; false when it still runs a minute later.
close_through_exit_row() {
  activate_row "$(row_names | tail -n 1)" || return 1
  local deadline=$((SECONDS + 60))
  while wizard_running; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    answer_boxes || sleep 0.3
  done
  wizard_wait_exit 5 || true
}

# window_screenshot FILE: a PNG of the main window as it is on the screen.
window_screenshot() {
  local left top right bottom
  read -r left top right bottom <<<"$(main_window | awk -F'\t' '$1 == "G" { print $4; exit }')"
  [ -n "$bottom" ] || return 1
  import -display "$DISPLAY" -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage "$1"
}
