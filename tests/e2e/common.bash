# shellcheck shell=bash
# Sourced by the end-to-end scripts, in the environment CTest gives them
# (CMakeLists.txt here): starts and closes the program, finds its windows and
# takes screenshots. Not named *.sh, so that it is not run as a script itself.

# The Wine fixture's display (scripts/wine-session).
if [ -n "${FRACTAVO_SESSION:-}" ]; then
  # shellcheck source=/dev/null
  . "$FRACTAVO_SESSION"
fi
out="$E2E_OUT"
rm -rf "$out"
mkdir -p "$out"
pid=
frame=
# Where the view's image starts in the frame, which sits at 0,0: read from the
# running program by start_program.
view_x=
view_y=

fail() {
  echo "$(basename "$0" .sh): $*" >&2
  exit 1
}

# A failed check leaves no program behind.
stop() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
}
trap stop EXIT

# Starts the program with no stored settings (those of other runs would
# change the window and the view) and sets pid, frame, view_x and view_y; the
# frame is put at 0,0 with the focus.
start_program() {
  timeout 60 "$WINE" reg delete 'HKCU\Software\Brisklane\Fractavo' /f >/dev/null 2>&1 || true
  timeout 300 "$WINE" "$BUILD_DIR/Fractavo.exe" >"$out/fractavo.log" 2>&1 &
  pid=$!
  frame=$(find_window Fractavo) || fail "no main window"
  xdotool windowmove --sync "$frame" 0 0
  xdotool windowfocus --sync "$frame"
  read -r view_x view_y < <(timeout 60 "$WINE" "$BUILD_DIR/tests/e2e/view-offset-probe.exe" | tr -d '\r') ||
    fail "no view offset"
}

# Alt+F4 closes the frame, and the program ends with code 0.
close_program() {
  xdotool windowfocus --sync "$frame"
  xdotool key alt+F4
  local i
  for ((i = 0; i < 100; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && fail "the program did not close after Alt+F4"
  wait "$pid" || fail "the program exited with $?"
  pid=
}

# Wine shows the host's root as drive Z:.
windows_path() {
  local p="Z:$1"
  printf '%s' "${p//\//\\}"
}

# The first visible window of exactly this title, once one shows.
find_window() {
  timeout 30 xdotool search --sync --onlyvisible --name "^$1\$" | head -n1
}

# Waits up to 5 s until no visible window has this title; returns 1 if one stays.
gone() {
  local i
  for ((i = 0; i < 50; i++)); do
    xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# Sets X, Y, WIDTH and HEIGHT to a window's place and size.
geometry() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
}

shot() {
  import -window root "$out/$1"
}

# A screenshot of one window; also sets X, Y, WIDTH and HEIGHT as geometry does.
window_shot() {
  geometry "$1"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out/$2"
}

# The view's image, 400 pixels square unless another size is given.
view_shot() {
  local size="${2:-400}"
  import -window root -crop "${size}x${size}+$view_x+$view_y" +repage "$out/$1"
}

differing_pixels() {
  compare -metric AE "$1" "$2" null: 2>&1 || true
}

# Waits until the view shows something other than the picture given; the
# second argument names what should have changed it.
wait_for_change() {
  local i
  for ((i = 0; i < 100; i++)); do
    view_shot now.png
    [ "$(differing_pixels "$out/$1" "$out/now.png")" != 0 ] && return 0
    sleep 0.1
  done
  fail "$2: the view did not change"
}

# Clicks a point of the image and waits for the new picture: a click made
# while one is computed would be dropped.
click_view() {
  view_shot before-click.png
  xdotool mousemove --window "$frame" $((view_x + $1)) $((view_y + $2)) click 1
  wait_for_change before-click.png "the click at $1,$2"
}
