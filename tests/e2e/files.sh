#!/usr/bin/env bash
# Save, Save Spot and Load Spot through the real dialogs of the running
# program: the files must match what fractavo-render makes of the same view.
set -euo pipefail

out="$E2E_OUT"
render="$HOST_BUILD_DIR/fractavo-render"
pid=

fail() {
  echo "files: $*" >&2
  exit 1
}

stop() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
}
trap stop EXIT

# Wine shows the host's root as drive Z:.
windows_path() {
  local p="Z:$1"
  printf '%s' "${p//\//\\}"
}

wait_for_file() {
  local i
  for ((i = 0; i < 100; i++)); do
    [ -f "$1" ] && return 0
    sleep 0.1
  done
  fail "$1 was not written"
}

# Types a path without extension into the file dialog of this title and presses Enter.
answer_file_dialog() {
  local dialog
  dialog=$(timeout 20 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1) || fail "no '$1' dialog"
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 20 "$(windows_path "$2")"
  if [ -n "${3:-}" ]; then
    sleep 0.3
    import -window root "$out/$3"
  fi
  xdotool key Return
}

view_shot() {
  import -window root -crop 400x400+5+43 "$out/$1"
}

# Clicks a point of the image (the frame's border, caption and menu, and the
# view's sunken edge, lie before it) and waits for the new image: a click
# made while one is computed would be dropped.
click_view() {
  view_shot before-click.png
  xdotool mousemove --window "$frame" $(($1 + 5)) $(($2 + 43)) click 1
  local i
  for ((i = 0; i < 100; i++)); do
    view_shot after-click.png
    [ "$(compare -metric AE "$out/before-click.png" "$out/after-click.png" null: 2>&1)" != 0 ] && return 0
    sleep 0.1
  done
  fail "the click at $1,$2 drew nothing"
}

# Same pixels: the files are compared after their 54-byte headers, and the
# headers separately so that a difference there is named.
same_bmp() {
  cmp -s <(tail -c +55 "$1") <(tail -c +55 "$2") || fail "$1: pixels differ from $2"
  cmp -s "$1" "$2" || fail "$1: header differs from $2: $(cmp -l "$1" "$2" | head -n5 | tr '\n' ' ')"
}

# Stored settings from other runs would change the view.
timeout 60 $WINE reg delete 'HKCU\Software\Brisklane\Fractavo' /f >/dev/null 2>&1 || true

timeout 300 $WINE "$BUILD_DIR/Fractavo.exe" >"$out/fractavo.log" 2>&1 &
pid=$!
frame=$(timeout 30 xdotool search --sync --onlyvisible --name '^Fractavo$' | head -n1) || fail "no main window"
xdotool windowmove "$frame" 0 0
xdotool windowfocus --sync "$frame"

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
import -window root "$out/invalid-spot.png"
xdotool key Return
sleep 0.5
view_shot after-load.png
[ "$(compare -metric AE "$out/before-load.png" "$out/after-load.png" null: 2>&1)" = 0 ] ||
  fail "the view changed after a refused Spot file"

xdotool windowfocus --sync "$frame"
xdotool key alt+F4
for ((i = 0; i < 100; i++)); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not close"
wait "$pid" || fail "the program exited with $?"
pid=
echo "files: saved and loaded through the dialogs"
