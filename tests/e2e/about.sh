#!/usr/bin/env bash
# Ctrl+C in the running program, read back by a second process: the picture
# must be the view as shown. Then the About box from the Help menu, with its
# blue underlined link.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=common.bash
. "$(dirname "$0")/common.bash"

probe="$BUILD_DIR/tests/e2e/clipboard-probe.exe"
[ -f "$probe" ] || fail "no $probe"

start_program
# The first click renders.
click_view 200 200
sleep 0.3
view_shot shown.png

xdotool key ctrl+c
sleep 0.3
size=$(timeout 60 "$WINE" "$probe" "$(windows_path "$out/copied.ppm")" 2>"$out/probe.log" | tr -d '\r') ||
  fail "the second process found no bitmap: $(cat "$out/probe.log")"
[ "$size" = "bitmap 400 400" ] || fail "clipboard: '$size', expected a 400 x 400 bitmap"
n=$(differing_pixels "$out/shown.png" "$out/copied.ppm")
[ "$n" = 0 ] || fail "the copied picture differs from the view in $n pixels"

# Help > About Fractavo...
xdotool windowfocus --sync "$frame"
xdotool key alt+h
sleep 0.3
xdotool key a
about=$(find_window 'About Fractavo') || fail "no About box"
sleep 0.5
window_shot "$about" about.png

# The link is pure blue and underlined: somewhere a run of blue pixels in one
# row far longer than any letter.
longest=$(convert "$out/about.png" -depth 8 txt:- | awk -F'[,: ]+' '
  /#0000FF/ { run = ($1 == x + 1 && $2 == y) ? run + 1 : 1; x = $1; y = $2; if (run > best) best = run }
  END { print best + 0 }')
[ "$longest" -ge 100 ] || fail "no blue underlined link in the About box (longest blue run $longest pixels)"

xdotool windowfocus --sync "$about"
xdotool key Escape
gone 'About Fractavo' || fail "Esc did not close the About box"

close_program
echo "about: copied picture read by a second process; About box in $out/about.png"
