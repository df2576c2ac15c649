#!/bin/sh
# The demo panel on an X display: its window's title and size, live values in
# the fields, a sensor button reaching the built-in controller, and the close
# box ending the program with exit code 0. Every wait polls for what it
# waits for, bounded by $bound seconds (generous: a loaded machine is slow,
# a passing run takes a fraction of it).
#
# usage: demo_test.sh SWRPANEL_DEMO WM_CLOSE OUTPUT_DIRECTORY
# Leaves OUTPUT_DIRECTORY/swrpanel-demo.png, the window with live values.
set -u
demo=$1 wmClose=$2 out=$3
for tool in xdotool xwininfo xprop import compare; do
  command -v $tool >/dev/null 2>&1 || { echo "$tool is not installed" >&2; exit 77; }
done
export LC_ALL=C.UTF-8
work=$(mktemp -d)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
bound=60
# waitFor COMMAND...: true as soon as COMMAND succeeds, false after $bound s.
waitFor() {
  deadline=$(($(date +%s) + bound))
  until "$@"; do
    [ "$(date +%s)" -lt $deadline ] || return 1
    sleep 0.1
  done
}

"$demo" 2>"$work/stderr" &
pid=$!
cleanup() { kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# The main window (inner area in FLTK = client area + menu bar).
window=
findWindow() {
  window=$(xdotool search --onlyvisible --class swrpanel 2>/dev/null | head -n 1)
  [ -n "$window" ]
}
waitFor findWindow || { echo "FAIL: no window within $bound s" >&2; exit 1; }

title=$(xprop -id "$window" -notype _NET_WM_NAME | sed 's/^[^"]*"//; s/"$//')
[ "$title" = "Индикатор КСВ и Мощности VELTAR V 2.1." ] || fail "title is '$title'"
size=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
[ "$size" = "565x404" ] || fail "inner size is $size"

# Places in window coordinates: client coordinates plus the menu bar's 20.
menu=20
crop() { # crop NAME W H X Y: that part of a fresh screenshot
  import -window "$window" "$work/shot.png" 2>/dev/null
  convert "$work/shot.png" -crop "$2x$3+$4+$(($5 + menu))" +repage "$work/$1.png"
}
click() { xdotool mousemove --window "$window" "$1" "$(($2 + menu))" click 1; }
bluePixels() { convert "$work/$1.png" txt:- | grep -ci '#0000DF'; }

# Live values: the power field fills with blue text.
liveValue() { crop power 100 30 40 40 && [ "$(bluePixels power)" -gt 20 ]; }
waitFor liveValue || fail "no value in the power field within $bound s"
cp "$work/shot.png" "$out/swrpanel-demo.png"

# Sensor buttons: after each click the controller's own report decides what
# the active-sensor field shows, so it shows the clicked number only if the
# command reached the controller. Each click is followed by a wait for the
# field to change (to sensor 2's picture again on the last one).
same() { [ "$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1)" = "0" ]; }
sensorField() { crop "$1" 30 40 50 320 && sleep 0.2 && crop "$1-settled" 30 40 50 320 &&
  same "$1" "$1-settled"; }
changedFrom() { sensorField "$1" && ! same "$1" "$2"; }
showsAs() { sensorField "$1" && same "$1" "$2"; }
sensorField sensor1
click 459 82
waitFor changedFrom sensor2 sensor1 || fail "the active-sensor field stays as it was after sensor 2"
click 459 112
waitFor changedFrom sensor3 sensor2 ||
  fail "sensor 3 shows as sensor 2: the command did not reach the controller"
click 459 82
waitFor showsAs sensor2again sensor2 ||
  fail "the active-sensor field differs between two selections of sensor 2"

# The close box ends the program with exit code 0.
"$wmClose" "$window"
ended() { ! kill -0 "$pid" 2>/dev/null; }
if waitFor ended; then
  wait "$pid"
  code=$?
  [ $code -eq 0 ] || fail "exit code $code"
else
  fail "still running $bound s after the close box"
fi
# The demo has nothing to say on standard error (a sanitizer would).
if [ -s "$work/stderr" ]; then
  fail "the program wrote on standard error:"
  cat "$work/stderr" >&2
fi

[ $failures -eq 0 ] && echo "demo panel: all checks passed"
exit $((failures > 0))
