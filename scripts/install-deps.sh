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
  libsqlite3-dev tcl
  chromium nodejs
  dpkg-dev fakeroot help2man lintian zip unzip
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

echo "installing: ${missing[*]}"
if [ $need_update -eq 1 ] || [ -z "$(ls -A /var/lib/apt/lists 2>/dev/null | grep -v -e lock -e partial)" ]; then
  "${SUDO[@]}" apt-get update -q
fi
if ! DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"; then
  # The lists may be stale on a long-lived machine: refresh once and retry.
  "${SUDO[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${SUDO[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
