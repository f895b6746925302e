#!/usr/bin/env bash
# Ctrl+C in the running program, read back by a second process: the picture
# must be the view as shown. Then the About box from the Help menu, with its
# blue underlined link.
set -euo pipefail

out="$E2E_OUT"
probe="$BUILD_DIR/tests/e2e/clipboard-probe.exe"
pid=

fail() {
  echo "about: $*" >&2
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

# The frame sits at 0,0; its border, caption and menu and the view's sunken
# edge lie before the image.
view_shot() {
  import -window root -crop 400x400+5+43 +repage "$out/$1"
}

differing_pixels() {
  compare -metric AE "$1" "$2" null: 2>&1 || true
}

[ -f "$probe" ] || fail "no $probe"
timeout 60 $WINE reg delete 'HKCU\Software\Brisklane\Fractavo' /f >/dev/null 2>&1 || true

timeout 300 $WINE "$BUILD_DIR/Fractavo.exe" >"$out/fractavo.log" 2>&1 &
pid=$!
frame=$(timeout 30 xdotool search --sync --onlyvisible --name '^Fractavo$' | head -n1) || fail "no main window"
xdotool windowmove "$frame" 0 0
xdotool windowfocus --sync "$frame"

# The first click renders.
view_shot black.png
xdotool mousemove --window "$frame" 205 243 click 1
for ((i = 0; i < 100; i++)); do
  view_shot shown.png
  [ "$(differing_pixels "$out/black.png" "$out/shown.png")" != 0 ] && break
  sleep 0.1
done
[ "$i" -lt 100 ] || fail "the click rendered nothing"
sleep 0.3
view_shot shown.png

xdotool key ctrl+c
sleep 0.3
size=$(timeout 60 $WINE "$probe" "$(windows_path "$out/copied.ppm")" 2>"$out/probe.log" | tr -d '\r') ||
  fail "the second process found no bitmap: $(cat "$out/probe.log")"
[ "$size" = "bitmap 400 400" ] || fail "clipboard: '$size', expected a 400 x 400 bitmap"
n=$(differing_pixels "$out/shown.png" "$out/copied.ppm")
[ "$n" = 0 ] || fail "the copied picture differs from the view in $n pixels"

# Help > About Fractavo...
xdotool windowfocus --sync "$frame"
xdotool key alt+h
sleep 0.3
xdotool key a
about=$(timeout 20 xdotool search --sync --onlyvisible --name '^About Fractavo$' | head -n1) || fail "no About box"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$about")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/about.png"

# The link is pure blue and underlined: somewhere a run of blue pixels in one
# row far longer than any letter.
longest=$(convert "$out/about.png" -depth 8 txt:- | awk -F'[,: ]+' '
  /#0000FF/ { run = ($1 == x + 1 && $2 == y) ? run + 1 : 1; x = $1; y = $2; if (run > best) best = run }
  END { print best + 0 }')
[ "$longest" -ge 100 ] || fail "no blue underlined link in the About box (longest blue run $longest pixels)"

xdotool windowfocus --sync "$about"
xdotool key Escape
for ((i = 0; i < 50; i++)); do
  xdotool search --onlyvisible --name '^About Fractavo$' >/dev/null 2>&1 || break
  sleep 0.1
done
[ "$i" -lt 50 ] || fail "Esc did not close the About box"

xdotool windowfocus --sync "$frame"
xdotool key alt+F4
for ((i = 0; i < 100; i++)); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not close"
wait "$pid" || fail "the program exited with $?"
pid=
echo "about: copied picture read by a second process; About box in $out/about.png"
