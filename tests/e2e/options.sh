#!/usr/bin/env bash
# Options through the real controls of the running program: a colour from
# the popup, a new size typed in, OK; then the registry, the window's new
# size and the new picture.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=common.bash
. "$(dirname "$0")/common.bash"

# Centre of the pixels of one colour (#RRGGBB) in an image, as "x y"; empty if none.
find_colour() {
  convert "$1" -depth 8 txt:- | awk -F'[,: ]+' -v c="$2" '
    index($0, c) { sx += $1; sy += $2; n++ }
    END { if (n) printf "%d %d\n", sx / n, sy / n }'
}

count_colour() {
  convert "$1" -depth 8 txt:- | grep -c "$2" || true
}

start_program
geometry "$frame"
[ "${WIDTH}x${HEIGHT}" = 410x448 ] || fail "the window starts at ${WIDTH}x${HEIGHT}, expected 410x448"

# A first render, so that the new settings draw a new picture.
click_view 200 200

xdotool key ctrl+o
dialog=$(find_window Options) || fail "no Options dialog"
sleep 0.5
window_shot "$dialog" options.png

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
gone Options || fail "the dialog did not close"
sleep 1

query=$(timeout 60 "$WINE" reg query 'HKCU\Software\Brisklane\Fractavo' | tr -d '\r')
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

geometry "$frame"
[ "${WIDTH}x${HEIGHT}" = 310x348 ] || fail "the window is ${WIDTH}x${HEIGHT} after the change, expected 310x348"
shot after.png
view_shot view.png 300
lime=$(count_colour "$out/view.png" '#00FF00')
purple=$(count_colour "$out/view.png" '#400040')
[ "$lime" -gt 1000 ] && [ "$purple" = 0 ] ||
  fail "the picture is not drawn again with the new in colour ($lime lime, $purple old purple pixels)"

close_program
echo "options: stored, resized to 310x348 and drawn again; screenshots in $out"
