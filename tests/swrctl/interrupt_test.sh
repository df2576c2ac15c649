#!/bin/sh
# Ctrl+C (SIGINT) and SIGTERM end `swrctl watch` with status 0 after whole
# lines only.
demo=$1
out=$(mktemp)
trap 'rm -f "$out"' EXIT
for signal in INT TERM; do
  : >"$out"  # emptied here, not by the child, which may truncate it later
  "$demo" watch --follow >"$out" 2>&1 &
  pid=$!
  # Its first line, however slowly it starts (up to 60 s).
  i=0
  while [ ! -s "$out" ] && kill -0 "$pid" 2>/dev/null && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
  kill -"$signal" "$pid"
  # Bounded: give it 60 s, then fail.
  i=0
  while kill -0 "$pid" 2>/dev/null && [ $i -lt 600 ]; do sleep 0.1; i=$((i + 1)); done
  if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    echo "SIG$signal did not end the watch"
    exit 1
  fi
  wait "$pid"
  status=$?
  if [ "$status" -ne 0 ]; then echo "SIG$signal: exit status $status"; cat "$out"; exit 1; fi
  if [ ! -s "$out" ]; then echo "SIG$signal: no lines before it"; exit 1; fi
  if grep -v -E '^[0-9T:.+-]+ sensor=[1-3] forward=[0-9]+ reflected=[0-9]+ swr=[0-9.*]+ power=[-+0-9.A-Za-z]+$' "$out"; then
    echo "SIG$signal: a line is not a whole reading"
    exit 1
  fi
done
echo "ok"
