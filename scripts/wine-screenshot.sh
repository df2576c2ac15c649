#!/usr/bin/env bash
# Starts a Windows panel executable under Wine on a private X server,
# waits for its window and saves a screenshot of the screen as PNG.
#
#   scripts/wine-screenshot.sh [--settle SECONDS] [--timeout SECONDS]
#                              [--out FILE.png] EXE [ARGS...]
#
# Everything runs in its own Xvfb (display chosen by Xvfb itself) and its own
# Wine prefix (one per architecture) under build/wine-screenshot/, inside a
# Wine virtual desktop (1280x1024), so message boxes behave as on a desktop
# with a window manager. Exits 77 when this machine cannot run the
# executable's architecture.
# "Times New Roman" is mapped to Liberation Serif, which has its metrics.
# Only the processes started here are stopped at the end.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
settle=3
timeout=60
out=
while [ $# -gt 0 ]; do
  case $1 in
    --settle) settle=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    --) shift; break ;;
    -*) echo "unknown option: $1" >&2; exit 2 ;;
    *) break ;;
  esac
done
if [ $# -lt 1 ]; then
  echo "usage: $0 [--settle S] [--timeout S] [--out FILE.png] EXE [ARGS...]" >&2
  exit 2
fi
exe=$(realpath "$1")
shift
case "$(file -b "$exe")" in
  *PE32+*) loader=/usr/lib/wine/wine64; arch=64 ;;
  *PE32*) loader=/usr/lib/wine/wine; arch=32 ;;
  *) echo "not a Windows executable: $exe" >&2; exit 2 ;;
esac
if ! timeout 30 "$loader" --version >/dev/null 2>&1; then
  echo "SKIPPED: $loader does not start on this machine" >&2
  exit 77
fi

work=$root/build/wine-screenshot
mkdir -p "$work" "$root/build/screenshots"
[ -n "$out" ] || out=$root/build/screenshots/$(basename "$exe" .exe).png

export WINEPREFIX=$work/prefix$arch
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
app_pid=
wine_started=0
cleanup() {
  set +e
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid"; fi
  # The prefix is ours alone: its server and whatever still runs in it
  # (explorer's desktop, services) were all started by this script.
  if [ "$wine_started" = 1 ]; then timeout 20 wineserver -k 2>/dev/null; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  rm -f "$work/display.$$"
}
trap cleanup EXIT

# A private X server; it writes the display number it chose.
: > "$work/display.$$"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display.$$" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display.$$" ] && break
  sleep 0.1
done
[ -s "$work/display.$$" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display.$$")

# The prefix, prepared once: Wine's own set-up, then a virtual desktop and
# the font mapping written straight into the user registry while no Wine
# server runs for the prefix. A prefix for 64-bit programs skips its 32-bit
# half (a loader that does not exist stands in for the 32-bit one), which
# would take minutes where 32-bit code is emulated.
if [ ! -f "$WINEPREFIX/.swr-ready" ]; then
  rm -rf "$WINEPREFIX"
  wine_started=1
  if [ $arch = 64 ]; then skip32=(env WINELOADER=/nonexistent/wine64); else skip32=(); fi
  "${skip32[@]}" timeout 300 "$loader" wineboot -u >/dev/null 2>&1 || true
  timeout 60 wineserver -w || true
  [ -f "$WINEPREFIX/user.reg" ] || { echo "Wine prefix set-up failed" >&2; exit 1; }
  cat >>"$WINEPREFIX/user.reg" <<'REG'

[Software\\Wine\\Explorer] 1796753188
"Desktop"="Default"

[Software\\Wine\\Explorer\\Desktops] 1796753188
"Default"="1280x1024"

[Software\\Wine\\Fonts\\Replacements] 1796753188
"Times New Roman"="Liberation Serif"
REG
  touch "$WINEPREFIX/.swr-ready"
fi

wine_started=1
"$loader" "$exe" "$@" >"$work/app.log" 2>&1 &
app_pid=$!

# Wait for the program's window. Inside the virtual desktop Wine gives each
# top-level window an X window of its own, named by the window's title and
# classed by the executable's name; Wine's hidden helper windows are 1x1.
name=$(basename "$exe")
deadline=$((SECONDS + timeout))
shown=0
while [ $SECONDS -lt $deadline ]; do
  if ! kill -0 "$app_pid" 2>/dev/null; then
    echo "the program ended before showing a window; log: $work/app.log" >&2
    exit 1
  fi
  if xwininfo -root -tree 2>/dev/null | grep -F "(\"$name\" " | grep -v 'Default IME' |
       grep -qv ' 1x1+'; then
    shown=1
    break
  fi
  sleep 0.5
done
[ $shown -eq 1 ] || { echo "no window within ${timeout}s" >&2; exit 1; }
sleep "$settle"

import -window root "$out"
echo "$out"
# Also the program's first window alone, cut out of the screen, for a closer
# look: its geometry is WxH+X+Y in xwininfo's listing.
geometry=$(xwininfo -root -tree 2>/dev/null | grep -F "(\"$name\" " | grep -v 'Default IME' |
           grep -v ' 1x1+' | head -n1 | grep -oE '[0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+' | head -n1)
if [ -n "$geometry" ]; then
  convert "$out" -crop "$geometry" +repage "${out%.png}-window.png"
  echo "${out%.png}-window.png"
fi
