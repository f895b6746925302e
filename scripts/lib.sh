# shellcheck shell=bash
# Shared by the scripts here; sourced from the project root.

# What the 64-bit builds, the host builds and the tests need. Optional ones
# come one at a time after them, since a stale i386 index can make the 32-bit
# Wine uninstallable while everything else still installs: the tests that
# need a missing one say why they were skipped.
PACKAGES=(cmake ninja-build g++ googletest libbenchmark-dev g++-mingw-w64-i686 g++-mingw-w64-x86-64
          mingw-w64-tools wine wine64 fonts-wine xvfb xauth xdotool imagemagick x11-utils
          g++-multilib qemu-user zlib1g-dev libz-mingw-w64-dev clang clang-format libfuzzer-14-dev libclang-rt-14-dev)
WINE32_PACKAGE=wine32:i386
OPTIONAL_PACKAGES=("$WINE32_PACKAGE" nsis dpkg-dev slurm-wlm munge)
declare -A NOT_INSTALLED  # optional package -> apt's reason

# Debian's `wine` always takes the 32-bit loader once wine32 is installed. The
# 64-bit loader runs 64-bit programs and sets up a prefix without it.
WINE32_LOADER=/usr/lib/wine/wine
WINE64_LOADER=/usr/lib/wine/wine64

section() { printf '\n==== %s ====\n' "$*"; }
note() { printf '** %s\n' "$*"; }
die() { printf 'error: %s\n' "$*" >&2; exit 1; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

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

# Installs what is missing: first what every build needs (a failure there
# ends the run), then each optional package, whose failure is kept in
# NOT_INSTALLED for the summary.
ensure_packages() {
  local missing=() optional=() p log
  for p in "${PACKAGES[@]}"; do installed "$p" || missing+=("$p"); done
  for p in "${OPTIONAL_PACKAGES[@]}"; do installed "$p" || optional+=("$p"); done
  if [ ${#missing[@]} -eq 0 ] && [ ${#optional[@]} -eq 0 ]; then
    echo "All packages present."
    return
  fi
  installed "$WINE32_PACKAGE" || as_root dpkg --add-architecture i386
  # Only optional ones missing, and the lists fetched by us within six
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
  log=$(mktemp)
  for p in "${optional[@]}"; do
    echo "Installing: $p"
    if as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$p" >"$log" 2>&1; then
      echo "Installed $p."
    else
      NOT_INSTALLED[$p]="apt-get install $p failed: $(apt_reason "$log")"
      note "$p is not installed (${NOT_INSTALLED[$p]}); going on without it"
    fi
  done
  rm -f "$log"
}

# Why 32-bit Windows programs cannot run here, or nothing when they can. The
# kernel is asked with a 32-bit program of our own, since the 32-bit loader
# may be missing on a kernel that runs 32-bit code well.
probe_32bit() {
  local dir
  dir=$(mktemp -d)
  if ! printf 'int main(void) { return 32; }\n' >"$dir/p.c" ||
     ! gcc -m32 -o "$dir/p" "$dir/p.c" >/dev/null 2>&1; then
    printf 'cannot check whether this kernel runs 32-bit programs: gcc -m32 fails (g++-multilib missing?)'
  elif "$dir/p" >/dev/null 2>&1; [ $? -ne 32 ]; then
    printf 'this kernel cannot run 32-bit programs'
  elif [ ! -x "$WINE32_LOADER" ] || ! installed "$WINE32_PACKAGE"; then
    printf '32-bit Wine is not installed (%s)' "${NOT_INSTALLED[$WINE32_PACKAGE]:-package $WINE32_PACKAGE is missing}"
  fi
  rm -rf "$dir"
}

# The Windows build to run here: win32 where it can run, else win64.
windows_preset() { if [ -z "$NO_32BIT_REASON" ]; then echo win32; else echo win64; fi; }
