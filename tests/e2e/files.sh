#!/usr/bin/env bash
# Save, Save Spot and Load Spot through the real dialogs of the running
# program: the files must match what fractavo-render makes of the same view.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=common.bash
. "$(dirname "$0")/common.bash"

render="$HOST_BUILD_DIR/fractavo-render"

wait_for_file() {
  local i
  for ((i = 0; i < 100; i++)); do
    [ -f "$1" ] && return 0
    sleep 0.1
  done
  fail "$1 was not written"
}

# Types a path without extension into the file dialog of this title and
# presses Enter; a third argument names a screenshot taken before Enter.
answer_file_dialog() {
  local dialog
  dialog=$(find_window "$1") || fail "no '$1' dialog"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 20 "$(windows_path "$2")"
  if [ -n "${3:-}" ]; then
    sleep 0.3
    shot "$3"
  fi
  xdotool key Return
}

# Same pixels: the files are compared after their 54-byte headers, and the
# headers separately so that a difference there is named.
same_bmp() {
  cmp -s <(tail -c +55 "$1") <(tail -c +55 "$2") || fail "$1: pixels differ from $2"
  cmp -s "$1" "$2" || fail "$1: header differs from $2: $(cmp -l "$1" "$2" | head -n5 | tr '\n' ' ')"
}

start_program

# The first click renders the initial view, which the defaults describe.
click_view 200 200
xdotool key ctrl+s
answer_file_dialog "Save As" "$out/initial" save-dialog.png
wait_for_file "$out/initial.bmp"
[ "$(stat -c %s "$out/initial.bmp")" -eq 480054 ] || fail "initial.bmp has $(stat -c %s "$out/initial.bmp") bytes"
"$render" -o "$out/initial-render.bmp" >/dev/null
same_bmp "$out/initial.bmp" "$out/initial-render.bmp"

# Zoomed in somewhere: the Spot file tells fractavo-render where.
click_view 110 170
xdotool key ctrl+s
answer_file_dialog "Save As" "$out/zoomed"
wait_for_file "$out/zoomed.bmp"
xdotool key F7
answer_file_dialog "Save As" "$out/zoomed"
wait_for_file "$out/zoomed.spt"
[ "$(stat -c %s "$out/zoomed.spt")" -eq 40 ] || fail "zoomed.spt has $(stat -c %s "$out/zoomed.spt") bytes"
"$render" --spot "$out/zoomed.spt" -o "$out/zoomed-render.bmp" >/dev/null
same_bmp "$out/zoomed.bmp" "$out/zoomed-render.bmp"

# A file one byte short is refused with the message, and the view stays.
view_shot before-load.png
head -c 39 "$out/zoomed.spt" >"$out/short.spt"
xdotool key F8
answer_file_dialog "Open" "$out/short.spt"
for ((i = 0; i < 100; i++)); do
  [ "$(xdotool search --onlyvisible --name '^Fractavo$' 2>/dev/null | wc -l)" -ge 2 ] && break
  sleep 0.1
done
[ "$i" -lt 100 ] || fail "no message for a 39-byte Spot file"
sleep 0.3
shot invalid-spot.png
xdotool key Return
sleep 0.5
view_shot after-load.png
[ "$(differing_pixels "$out/before-load.png" "$out/after-load.png")" = 0 ] ||
  fail "the view changed after a refused Spot file"

close_program
echo "files: saved and loaded through the dialogs"
