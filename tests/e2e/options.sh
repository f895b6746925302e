#!/usr/bin/env bash
# Options through the real controls of the running program: a colour from
# the popup, a new size typed in, OK; then the registry, the window's new
# size and the new picture.
set -euo pipefail

out="$E2E_OUT"
pid=

fail() {
  echo "options: $*" >&2
  exit 1
}

stop() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
}
trap stop EXIT

shot() {
  import -window root "$out/$1"
}

# Centre of the pixels of one colour (#RRGGBB) in an image, as "x y"; empty if none.
find_colour() {
  convert "$1" -depth 8 txt:- | awk -F'[,: ]+' -v c="$2" '
    index($0, c) { sx += $1; sy += $2; n++ }
    END { if (n) printf "%d %d\n", sx / n, sy / n }'
}

count_colour() {
  convert "$1" -depth 8 txt:- | grep -c "$2" || true
}

differing_pixels() {
  compare -metric AE "$1" "$2" null: 2>&1 || true
}

gone() {
  local i
  for ((i = 0; i < 50; i++)); do
    xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

timeout 60 $WINE reg delete 'HKCU\Software\Brisklane\Fractavo' /f >/dev/null 2>&1 || true

timeout 300 $WINE "$BUILD_DIR/Fractavo.exe" >"$out/fractavo.log" 2>&1 &
pid=$!
frame=$(timeout 30 xdotool search --sync --onlyvisible --name '^Fractavo$' | head -n1) || fail "no main window"
xdotool windowmove "$frame" 0 0
xdotool windowfocus --sync "$frame"
eval "$(xdotool getwindowgeometry --shell "$frame")"
[ "${WIDTH}x${HEIGHT}" = 410x448 ] || fail "the window starts at ${WIDTH}x${HEIGHT}, expected 410x448"

# A first render, so that the new settings draw a new picture.
xdotool mousemove --window "$frame" 205 243 click 1
sleep 1

xdotool key ctrl+o
dialog=$(timeout 20 xdotool search --sync --onlyvisible --name '^Options$' | head -n1) || fail "no Options dialog"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$dialog")"
dialog_box="${WIDTH}x${HEIGHT}+${X}+${Y}"
import -window root -crop "$dialog_box" +repage "$out/options.png"

# The in-colour button shows the default 0x400040 (#400040).
read -r bx by < <(find_colour "$out/options.png" '#400040') || true
[ -n "${bx:-}" ] || fail "no in-colour swatch in the dialog"
bx=$((X + bx))
by=$((Y + by))

# A second's hover shows the button's tip.
xdotool mousemove "$bx" "$by"
sleep 0.3
shot before-tip.png
sleep 1.5
shot tooltip.png
[ "$(differing_pixels "$out/before-tip.png" "$out/tooltip.png")" != 0 ] || fail "no tooltip over the in-colour button"

# The popup opens under the button; lime (#00FF00) is cell 8.
xdotool click 1
sleep 0.5
shot popup-open.png
read -r cx cy < <(find_colour "$out/popup-open.png" '#00FF00') || true
[ -n "${cx:-}" ] || fail "no popup with a lime cell"
xdotool mousemove "$cx" "$cy"
sleep 0.3
shot popup.png
xdotool click 1
sleep 0.5
shot picked.png
[ "$(count_colour "$out/picked.png" '#00FF00')" -gt 0 ] || fail "the in-colour button does not show the picked lime"

# S&creen Size: the mnemonic selects the field's text.
xdotool key alt+c
xdotool type --delay 30 300
xdotool key Return
gone '^Options$' || fail "the dialog did not close"
sleep 1

query=$(timeout 60 $WINE reg query 'HKCU\Software\Brisklane\Fractavo' | tr -d '\r')
echo "$query" >"$out/registry.txt"
expect_value() {
  echo "$query" | grep -Eq "^ +$1 +REG_DWORD +$2\$" || fail "registry: '$1' is not $2 (see $out/registry.txt)"
}
expect_value 'In Color' 0xff00
expect_value 'Out Color' 0xc0c0c0
expect_value 'Force 24-bit' 0x1
expect_value 'Zoom Rate' 0x3
expect_value 'Max Iterations' 0xc8
expect_value 'Window Size' 0x12c

eval "$(xdotool getwindowgeometry --shell "$frame")"
[ "${WIDTH}x${HEIGHT}" = 310x348 ] || fail "the window is ${WIDTH}x${HEIGHT} after the change, expected 310x348"
shot after.png
import -window root -crop 300x300+5+43 +repage "$out/view.png"
lime=$(count_colour "$out/view.png" '#00FF00')
purple=$(count_colour "$out/view.png" '#400040')
[ "$lime" -gt 1000 ] && [ "$purple" = 0 ] ||
  fail "the picture is not drawn again with the new in colour ($lime lime, $purple old purple pixels)"

xdotool windowfocus --sync "$frame"
xdotool key alt+F4
for ((i = 0; i < 100; i++)); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the program did not close"
wait "$pid" || fail "the program exited with $?"
pid=
echo "options: stored, resized to 310x348 and drawn again; screenshots in $out"
