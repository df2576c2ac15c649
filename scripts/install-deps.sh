#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian packages only.
# Idempotent: packages that are already installed are not touched, so a second
# run on a prepared machine returns at once. Works as root or through sudo.
# `install-deps.sh fuzz` adds what `make fuzz` needs (clang and libFuzzer).
set -euo pipefail

if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi

packages=(
  build-essential cmake make pkg-config
  googletest libgtest-dev libgmock-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64 wine32:i386
  xvfb xauth x11-utils xdotool wmctrl imagemagick file
  fonts-liberation fonts-dejavu-core
  python3
  libfltk1.3-dev
  libboost-dev nlohmann-json3-dev libcli11-dev
  libmosquitto-dev mosquitto mosquitto-clients
  prometheus libhamlib-utils
  libsqlite3-dev tcl faketime
  chromium nodejs
  dpkg-dev fakeroot help2man lintian zip unzip
  wixl msitools
)
if [ "${1:-}" = fuzz ]; then
  packages+=(clang libclang-rt-14-dev)
fi

# wine32 is an i386 package: the architecture must be known to dpkg first.
need_update=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${SUDO[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

# apt-get update, retried: a mirror in the middle of a sync serves an index of
# the wrong size for a minute or two. apt-get update exits 0 even when an index
# failed, so its "Err:" lines are what tells; after the last try the failing
# index is named in one line and the script stops.
APT_UPDATE_TRIES=${APT_UPDATE_TRIES:-5}
APT_UPDATE_PAUSE=${APT_UPDATE_PAUSE:-20}
apt_update() {
  local try out failed
  for ((try = 1; try <= APT_UPDATE_TRIES; try++)); do
    out=$("${SUDO[@]}" apt-get update -q 2>&1) && ! grep -q -E '^(Err:|E: )' <<<"$out" && return 0
    failed=$(grep -E '^(Err:|E: Failed to fetch)' <<<"$out" | head -n 1)
    echo "apt-get update failed (try $try of $APT_UPDATE_TRIES): ${failed:-no index named}" >&2
    [ "$try" -lt "$APT_UPDATE_TRIES" ] && sleep "$APT_UPDATE_PAUSE"
  done
  echo "install-deps: the package mirror served a damaged index (${failed#Err:* }); this is the mirror, not the project: run make again in a few minutes" >&2
  exit 1
}

echo "installing: ${missing[*]}"
if [ $need_update -eq 1 ] || [ -z "$(ls -A /var/lib/apt/lists 2>/dev/null | grep -v -e lock -e partial)" ]; then
  apt_update
fi
if ! DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  # The lists may be stale on a long-lived machine: refresh once and retry.
  apt_update
  DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
