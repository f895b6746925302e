#!/usr/bin/env bash
# The real program from outside: the black start, a first click that renders
# the initial view, a zoom, Ctrl+R and F5, the menus, and closing. The image
# on screen must equal what fractavo-render makes of the same view.
set -euo pipefail

out="$E2E_OUT"
render="$HOST_BUILD_DIR/fractavo-render"
pid=

fail() {
  echo "program: $*" >&2
  exit 1
}

stop() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
}
trap stop EXIT

# The frame sits at 0,0; its border, caption and menu and the view's sunken
# edge lie before the image.
view_x=5
view_y=43

shot() {
  import -window root "$out/$1"
}

view_shot() {
  import -window root -crop "400x400+$view_x+$view_y" +repage "$out/$1"
}

# The colour of one pixel of a picture, as RRGGBB.
pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-Fa-f]\{6\}' | tr -d '#'
}

differing_pixels() {
  compare -metric AE "$1" "$2" null: 2>&1 || true
}

# Waits until the view shows something other than the picture given.
wait_for_change() {
  local i
  for ((i = 0; i < 100; i++)); do
    view_shot now.png
    [ "$(differing_pixels "$out/$1" "$out/now.png")" != 0 ] && return 0
    sleep 0.1
  done
  fail "$2: the view did not change"
}

same_as_render() {
  "$render" -o "$out/$2" "${@:3}" >/dev/null
  local n
  n=$(differing_pixels "$out/$1" "$out/$2")
  [ "$n" = 0 ] || fail "$1 differs from fractavo-render $* in $n pixels"
}

# Stored settings from other runs would change the window and the view.
timeout 60 $WINE reg delete 'HKCU\Software\Brisklane\Fractavo' /f >/dev/null 2>&1 || true

timeout 300 $WINE "$BUILD_DIR/Fractavo.exe" >"$out/fractavo.log" 2>&1 &
pid=$!
frame=$(timeout 30 xdotool search --sync --onlyvisible --name '^Fractavo$' | head -n1) || fail "no main window"
xdotool windowmove --sync "$frame" 0 0
xdotool windowfocus --sync "$frame"

[ "$(xdotool getwindowname "$frame")" = Fractavo ] || fail "title is '$(xdotool getwindowname "$frame")'"
eval "$(xdotool getwindowgeometry --shell "$frame")"
[ "$WIDTH" = 410 ] && [ "$HEIGHT" = 448 ] || fail "window is ${WIDTH}x$HEIGHT, not 410x448"

# Nothing is computed at start: a black square.
sleep 0.5
shot start.png
view_shot start-view.png
for point in "0 0" "200 200" "399 399" "150 200"; do
  # shellcheck disable=SC2086
  [ "$(pixel "$out/start-view.png" $point)" = 000000 ] || fail "start: pixel $point is not black"
done

# Save, Copy and Save Spot are greyed in the File menu until then.
xdotool key alt+f
sleep 0.5
shot file-menu-before.png
xdotool key Escape Escape
sleep 0.3

# The first click renders the initial view, wherever it lands.
xdotool mousemove --window "$frame" $((view_x + 300)) $((view_y + 50)) click 1
wait_for_change start-view.png "first click"
sleep 0.3
shot initial.png
view_shot initial-view.png
# A corner escapes at once (the out colour); (-0.5, 0), pixel 150,200, is inside (the in colour).
[ "$(pixel "$out/initial-view.png" 0 0)" = C0C0C0 ] || fail "corner is $(pixel "$out/initial-view.png" 0 0)"
[ "$(pixel "$out/initial-view.png" 150 200)" = 400040 ] || fail "(-0.5,0) is $(pixel "$out/initial-view.png" 150 200)"
same_as_render initial-view.png initial-render.bmp

xdotool key alt+f
sleep 0.5
shot file-menu-after.png
xdotool key Escape Escape
sleep 0.3

# A left click at (-0.5, 0) makes it the centre, a third of the width.
xdotool mousemove --window "$frame" $((view_x + 150)) $((view_y + 200)) click 1
wait_for_change initial-view.png "zoom click"
sleep 0.3
view_shot zoomed-view.png
same_as_render zoomed-view.png zoomed-render.bmp --centre -0.5,0 --half-width 0.6666666666666666

# Ctrl+R goes back to the initial view; F5 draws the same again.
xdotool key ctrl+r
wait_for_change zoomed-view.png "Ctrl+R"
sleep 0.3
view_shot restarted-view.png
same_as_render restarted-view.png restarted-render.bmp
xdotool key F5
sleep 1
view_shot refreshed-view.png
same_as_render refreshed-view.png refreshed-render.bmp
kill -0 "$pid" 2>/dev/null || fail "the program ended after F5"

# Alt+F4 closes the window and ends the program.
xdotool key alt+F4
for ((i = 0; i < 100; i++)); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after Alt+F4"
wait "$pid" || fail "the program ended with code $?"
pid=
echo "program: passed"
