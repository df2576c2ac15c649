#!/usr/bin/env bash
# Runs a command on a private Xvfb display (chosen by Xvfb) and stops that
# server afterwards; the command's exit status is passed on.
set -u
tmp=$(mktemp)
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$tmp" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
  [ -s "$tmp" ] && break
  sleep 0.1
done
if [ ! -s "$tmp" ]; then
  kill "$xvfb" 2>/dev/null
  rm -f "$tmp"
  echo "SKIPPED: Xvfb did not start" >&2
  exit 77
fi
export DISPLAY=:$(head -n1 "$tmp")
rm -f "$tmp"
"$@"
status=$?
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $status
