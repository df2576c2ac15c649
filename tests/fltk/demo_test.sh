#!/bin/sh
# The demo panel on an X display: its window's title and size, live values in
# the fields, a sensor button reaching the built-in controller, and the close
# box ending the program with exit code 0. Every wait is bounded.
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

"$demo" 2>"$work/stderr" &
pid=$!
cleanup() { kill "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

# The main window (inner area in FLTK = client area + menu bar).
window=
for i in $(seq 100); do
  window=$(xdotool search --onlyvisible --class swrpanel 2>/dev/null | head -n 1)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "FAIL: no window within 10 s" >&2; exit 1; }

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
live=0
for i in $(seq 50); do
  crop power 100 30 40 40
  if [ "$(bluePixels power)" -gt 20 ]; then live=1; break; fi
  sleep 0.1
done
[ $live -eq 1 ] || fail "no value in the power field within 5 s"
cp "$work/shot.png" "$out/swrpanel-demo.png"

# Sensor buttons: after each click the controller's own report decides what
# the active-sensor field shows, so it shows the clicked number only if the
# command reached the controller.
click 459 82; sleep 1; crop sensor2 30 40 50 320
click 459 112; sleep 1; crop sensor3 30 40 50 320
click 459 82; sleep 1; crop sensor2again 30 40 50 320
[ "$(compare -metric AE "$work/sensor2.png" "$work/sensor2again.png" null: 2>&1)" = "0" ] ||
  fail "the active-sensor field differs between two selections of sensor 2"
[ "$(compare -metric AE "$work/sensor2.png" "$work/sensor3.png" null: 2>&1)" != "0" ] ||
  fail "sensor 3 shows as sensor 2: the command did not reach the controller"

# The close box ends the program with exit code 0.
"$wmClose" "$window"
ended=0
for i in $(seq 100); do
  if ! kill -0 "$pid" 2>/dev/null; then ended=1; break; fi
  sleep 0.1
done
if [ $ended -eq 1 ]; then
  wait "$pid"
  code=$?
  [ $code -eq 0 ] || fail "exit code $code"
else
  fail "still running 10 s after the close box"
fi
# The demo has nothing to say on standard error (a sanitizer would).
if [ -s "$work/stderr" ]; then
  fail "the program wrote on standard error:"
  cat "$work/stderr" >&2
fi

[ $failures -eq 0 ] && echo "demo panel: all checks passed"
exit $((failures > 0))
