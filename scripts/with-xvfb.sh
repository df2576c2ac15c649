#!/bin/sh
# Runs a command on a private Xvfb display (the server picks a free number)
# and exits with the command's status. Used by the tests that need a display.
set -u
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }

numberFile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$numberFile" >/dev/null 2>&1 &
server=$!
# Up to 60 s: a loaded machine may take seconds to start it.
tries=0
while [ ! -s "$numberFile" ] && [ $tries -lt 600 ]; do
  sleep 0.1
  tries=$((tries + 1))
done
if [ ! -s "$numberFile" ]; then
  kill "$server" 2>/dev/null
  rm -f "$numberFile"
  echo "Xvfb did not start within 60 s" >&2
  exit 1
fi
DISPLAY=:$(head -n 1 "$numberFile")
export DISPLAY
rm -f "$numberFile"

"$@"
status=$?

kill "$server" 2>/dev/null
wait "$server" 2>/dev/null
exit $status
