# shellcheck shell=bash
# Shared by scripts/run and scripts/test; sourced from the project root.
# stop_started stops what they started: Xvfb and the Wine keeper by pid, the
# test prefix's Wine server through wineserver.

# What the 64-bit builds, the host builds and the tests need. The 32-bit Wine
# comes in a step of its own, since a stale i386 index can make it
# uninstallable while everything here still installs.
PACKAGES=(cmake ninja-build g++ googletest libbenchmark-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64
          mingw-w64-tools wine wine64 fonts-wine xvfb xauth xdotool imagemagick x11-utils
          g++-multilib qemu-user zlib1g-dev libz-mingw-w64-dev clang libfuzzer-14-dev libclang-rt-14-dev)
WINE32_PACKAGE=wine32:i386

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

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

# A mirror in the middle of a sync refuses an index now and then; a few tries
# usually get it, and the indexes that did arrive are enough for the rest.
apt_update() {
  local try log
  log=$(mktemp)
  for try in 1 2 3; do
    if as_root apt-get update >"$log" 2>&1; then
      rm -f "$log"
      return 0
    fi
    [ "$try" -lt 3 ] && { note "apt-get update failed (try $try of 3); trying again in 5 s"; sleep 5; }
  done
  note "apt-get update still fails; going on with the indexes that arrived. Refused:"
  { grep -E '^E: Failed to fetch' "$log" || grep -E '^Err:' "$log" || cat "$log"; } | sed 's/^/     /' | sort -u
  rm -f "$log"
}

# apt's own words for why it refused: its error lines, or its last line.
apt_reason() {
  local reason
  reason=$(grep -E '^E: |Depends:|but it is not' "$1" | head -n 3 | sed 's/^ *//' | paste -sd ';' -)
  [ -n "$reason" ] || reason=$(tail -n 1 "$1")
  printf '%s' "$reason"
}

# Installs what is missing: first what the 64-bit builds and the tests need
# (a failure there ends the run), then the 32-bit Wine, which may fail: its
# reason is kept in WINE32_MISSING for the summary.
ensure_packages() {
  local missing=() p log
  for p in "${PACKAGES[@]}"; do
    installed "$p" || missing+=("$p")
  done
  WINE32_MISSING=
  if [ ${#missing[@]} -eq 0 ] && installed "$WINE32_PACKAGE"; then
    echo "All packages present."
    return
  fi
  installed "$WINE32_PACKAGE" || as_root dpkg --add-architecture i386
  # Only the 32-bit Wine missing, and the lists fetched by us within six
  # hours: another update would refuse the same index again.
  local stamp=build/.apt-updated
  if [ ${#missing[@]} -gt 0 ] || [ -z "$(find "$stamp" -mmin -360 2>/dev/null)" ]; then
    apt_update
    mkdir -p build && touch "$stamp"
  fi
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}" ||
      die "could not install the packages every build needs (see apt's message above)"
  fi
  if ! installed "$WINE32_PACKAGE"; then
    echo "Installing: $WINE32_PACKAGE"
    log=$(mktemp)
    if as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$WINE32_PACKAGE" >"$log" 2>&1; then
      echo "Installed $WINE32_PACKAGE."
    else
      WINE32_MISSING="apt-get install $WINE32_PACKAGE failed: $(apt_reason "$log")"
      note "32-bit Wine is not installed ($WINE32_MISSING); going on without it"
    fi
    rm -f "$log"
  fi
}

# Why 32-bit Windows programs cannot run here, or nothing when they can. The
# kernel is asked with a 32-bit program of our own, since the 32-bit loader
# may be missing on a kernel that runs 32-bit code well.
no_32bit_reason() {
  if [ -z "${NO_32BIT_REASON+set}" ]; then
    NO_32BIT_REASON=$(probe_32bit)
  fi
  printf '%s' "$NO_32BIT_REASON"
}

probe_32bit() {
  local dir
  dir=$(mktemp -d)
  if ! printf 'int main(void) { return 32; }\n' >"$dir/p.c" ||
     ! gcc -m32 -o "$dir/p" "$dir/p.c" >/dev/null 2>&1; then
    printf 'cannot check whether this kernel runs 32-bit programs: gcc -m32 fails (g++-multilib missing?)'
  elif "$dir/p" >/dev/null 2>&1; [ $? -ne 32 ]; then
    printf 'this kernel cannot run 32-bit programs'
  elif [ ! -x "$WINE32_LOADER" ] || ! installed "$WINE32_PACKAGE"; then
    printf '32-bit Wine is not installed (%s)' "${WINE32_MISSING:-package $WINE32_PACKAGE is missing}"
  fi
  rm -rf "$dir"
}

can_run_32bit() {
  [ -z "$(no_32bit_reason)" ]
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

# The Wine loaders installed now. A prefix made without the 32-bit one cannot
# run 32-bit programs even after it is installed ("could not load
# kernel32.dll"), so a prefix is only good for the loaders it was made with.
installed_loaders() {
  local l out=
  for l in "$WINE32_LOADER" "$WINE64_LOADER"; do
    [ -x "$l" ] && out+="${l##*/} "
  done
  printf 'loaders: %s' "${out% }"
}

# A Wine prefix with no crash dialog (a crash would otherwise wait for a
# click) and unmanaged windows (no 2 s wait on every close without a window
# manager; Wine draws its own captions). Exports WINEPREFIX; its server is
# ours to stop.
prepare_prefix() {
  export WINEPREFIX="$1" WINEDEBUG=-all
  OWN_PREFIX=1
  local ready="$WINEPREFIX/.fractavo-ready" loaders
  loaders=$(installed_loaders)
  if [ -f "$ready" ] && [ "$(cat "$ready")" != "$loaders" ]; then
    echo "The Wine prefix $WINEPREFIX was made with other $(cat "$ready"); making it again"
    timeout 60 wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$ready" ]; then
    echo "Creating the Wine prefix $WINEPREFIX ($loaders)"
    rm -rf "$WINEPREFIX"
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
    printf '%s' "$loaders" >"$ready"
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

# Only cleans up, so it never fails: under set -e a wait on a process it had
# to kill (status 143) would otherwise turn a passing run into a failed one.
stop_started() {
  if [ -n "${KEEPER_FD:-}" ]; then
    exec {KEEPER_FD}>&-
    KEEPER_FD=
  fi
  if [ -n "${KEEPER_PID:-}" ]; then
    timeout 10 tail --pid="$KEEPER_PID" -f /dev/null || kill "$KEEPER_PID" 2>/dev/null
    wait "$KEEPER_PID" 2>/dev/null || true
    KEEPER_PID=
  fi
  if [ -n "${OWN_PREFIX:-}" ]; then
    timeout 30 wineserver -w || wineserver -k || true
    OWN_PREFIX=
  fi
  if [ -n "${XVFB_PID:-}" ]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
  fi
  return 0
}
