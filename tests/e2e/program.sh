#!/usr/bin/env bash
# The real program from outside: the black start, a first click that renders
# the initial view, a zoom, Ctrl+R and F5, the menus, and closing. The image
# on screen must equal what fractavo-render makes of the same view.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=common.bash
. "$(dirname "$0")/common.bash"

render="$HOST_BUILD_DIR/fractavo-render"

# The colour of one pixel of a picture, as RRGGBB.
pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-Fa-f]\{6\}' | tr -d '#'
}

same_as_render() {
  "$render" -o "$out/$2" "${@:3}" >/dev/null
  local n
  n=$(differing_pixels "$out/$1" "$out/$2")
  [ "$n" = 0 ] || fail "$1 differs from fractavo-render $* in $n pixels"
}

# A screenshot with the File menu open.
file_menu_shot() {
  xdotool key alt+f
  sleep 0.5
  shot "$1"
  xdotool key Escape Escape
  sleep 0.3
}

start_program
[ "$(xdotool getwindowname "$frame")" = Fractavo ] || fail "title is '$(xdotool getwindowname "$frame")'"
geometry "$frame"
[ "${WIDTH}x${HEIGHT}" = 410x448 ] || fail "window is ${WIDTH}x$HEIGHT, not 410x448"

# Nothing is computed at start: a black square.
sleep 0.5
shot start.png
view_shot start-view.png
for point in "0 0" "200 200" "399 399" "150 200"; do
  # shellcheck disable=SC2086
  [ "$(pixel "$out/start-view.png" $point)" = 000000 ] || fail "start: pixel $point is not black"
done

# Save, Copy and Save Spot are greyed in the File menu until then.
file_menu_shot file-menu-before.png

# The first click renders the initial view, wherever it lands.
click_view 300 50
sleep 0.3
shot initial.png
view_shot initial-view.png
# A corner escapes at once (the out colour); (-0.5, 0), pixel 150,200, is inside (the in colour).
[ "$(pixel "$out/initial-view.png" 0 0)" = C0C0C0 ] || fail "corner is $(pixel "$out/initial-view.png" 0 0)"
[ "$(pixel "$out/initial-view.png" 150 200)" = 400040 ] || fail "(-0.5,0) is $(pixel "$out/initial-view.png" 150 200)"
same_as_render initial-view.png initial-render.bmp

file_menu_shot file-menu-after.png

# A left click at (-0.5, 0) makes it the centre, a third of the width.
click_view 150 200
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

close_program
echo "program: passed"
