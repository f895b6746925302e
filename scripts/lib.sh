# shellcheck shell=bash
# Shared by scripts/run and scripts/test; sourced from the project root.
# stop_started stops what they started: Xvfb and the Wine keeper by pid, the
# test prefix's Wine server through wineserver.

PACKAGES=(cmake ninja-build g++ googletest libbenchmark-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64
          mingw-w64-tools wine wine32:i386 wine64 fonts-wine xvfb xauth xdotool imagemagick x11-utils
          g++-multilib qemu-user)

# Debian's `wine` always takes the 32-bit loader once wine32 is installed. The
# 64-bit loader runs 64-bit programs and sets up a prefix without it.
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

section() {
  printf '\n==== %s ====\n' "$*"
}

note() {
  printf '** %s\n' "$*"
}

die() {
  printf 'error: %s\n' "$*" >&2
  exit 1
}

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "All packages present."
    return
  fi
  echo "Installing: ${missing[*]}"
  as_root dpkg --add-architecture i386
  as_root apt-get update
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# Some kernels run 64-bit code only; there the i686 build is built but cannot run.
can_run_32bit() {
  "$WINE32_LOADER" --version >/dev/null 2>&1
}

# The Windows build to run here: win32 where it can run, else win64.
windows_preset() {
  if can_run_32bit; then echo win32; else echo win64; fi
}

# The command that runs a program of the given preset.
wine_for() {
  if [ "$1" = win32 ]; then echo wine; else echo "$WINE64_LOADER"; fi
}

# Starts Xvfb on the first free display (-displayfd: the server picks the
# number itself, so two runs cannot race for one) and exports DISPLAY.
start_xvfb() {
  local numfile
  numfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  local i
  for ((i = 0; i < 100; i++)); do
    [ "$(wc -l <"$numfile")" -ge 1 ] && break
    kill -0 "$XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  local display
  display=$(head -n1 "$numfile")
  rm -f "$numfile"
  [ -n "$display" ] || die "Xvfb did not start"
  export DISPLAY=":$display"
  echo "Xvfb on $DISPLAY (pid $XVFB_PID)"
}

# A Wine prefix with no crash dialog (a crash would otherwise wait for a
# click) and unmanaged windows (no 2 s wait on every close without a window
# manager; Wine draws its own captions). Exports WINEPREFIX; its server is
# ours to stop.
prepare_prefix() {
  export WINEPREFIX="$1" WINEDEBUG=-all
  OWN_PREFIX=1
  if [ ! -f "$WINEPREFIX/.fractavo-ready" ]; then
    echo "Creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    # No display and no .NET or HTML engine: nothing may ask to be installed.
    (unset DISPLAY; WINEDLLOVERRIDES="mscoree,mshtml=" timeout 300 "$WINE64_LOADER" wineboot -i) ||
      die "wineboot failed"
    timeout 120 wineserver -w
    timeout 60 "$WINE64_LOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f
    timeout 60 "$WINE64_LOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f
    timeout 120 wineserver -w
    # Wine here does not look in its own font folder, and without its fonts
    # "MS Sans Serif" falls back to a much wider face and the caption buttons
    # draw as letters.
    ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
    touch "$WINEPREFIX/.fractavo-ready"
  fi
}

# Keeps one Wine process alive, its output in a file, so Wine's services are
# started by it rather than by a test: they would hold the test's output pipe
# open and cost every test about 2.5 s. It reads a pipe that this shell
# holds, so it also ends when this shell does.
start_wine_keeper() {
  local fifo="$1.fifo"
  rm -f "$fifo"
  mkfifo "$fifo"
  "$WINE64_LOADER" cmd <"$fifo" >"$1.log" 2>&1 &
  KEEPER_PID=$!
  exec {KEEPER_FD}>"$fifo"
  rm -f "$fifo"
}

stop_started() {
  if [ -n "${KEEPER_FD:-}" ]; then
    exec {KEEPER_FD}>&-
    KEEPER_FD=
  fi
  if [ -n "${KEEPER_PID:-}" ]; then
    timeout 10 tail --pid="$KEEPER_PID" -f /dev/null || kill "$KEEPER_PID" 2>/dev/null
    wait "$KEEPER_PID" 2>/dev/null
    KEEPER_PID=
  fi
  if [ -n "${OWN_PREFIX:-}" ]; then
    timeout 30 wineserver -w || wineserver -k
    OWN_PREFIX=
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
  fi
  return 0
}
