#!/usr/bin/env bash
# swrctl-demo.exe serve as a Windows service under Wine, as a user runs it:
# install with options, start, the status and a command with the token from
# the service's token file over HTTP from Linux, stop, remove, and nothing of
# it left in the registry. The service's log names the port (it listens on
# any free one). Every wait is bounded.
#
# usage: service_wine_test.sh SWRCTL_DEMO_EXE WINE_EXEC WINE_LOADER  (WINEPREFIX set)
set -u
exe=$1 wineExec=$2 loader=$3
key='HKLM\System\CurrentControlSet\Services\swrctl-serve'
data=$WINEPREFIX/drive_c/ProgramData/swrpanel
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# Each step bounded, so that a hang names its step.
swrctl() {
  timeout 90 "$wineExec" "$exe" "$@" 2>&1 | tr -d '\r'
  local status=${PIPESTATUS[0]}
  [ "$status" -eq 124 ] && echo "FAIL: swrctl $* did not end within 90 s" >&2
  return "$status"
}
registry() { timeout 90 "$loader" reg query "$key" >/dev/null 2>&1; }

# One HTTP request over bash's /dev/tcp; prints the response.
http() {  # method path [token]
  local auth='' body=''
  [ $# -ge 3 ] && auth="Authorization: Bearer $3"$'\r\n'
  [ "$1" = POST ] && body='{"command":"select","sensor":2}'
  exec 5<>"/dev/tcp/127.0.0.1/$port" || return 1
  printf '%s %s HTTP/1.1\r\nHost: 127.0.0.1:%s\r\n%sContent-Type: application/json\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s' \
    "$1" "$2" "$port" "$auth" "${#body}" "$body" >&5
  timeout 10 cat <&5
  exec 5<&-
}

# Wine ends its server, and every service with it, a few seconds after the
# last program: a waiting one keeps it up until the end.
work=$(mktemp -d)
mkfifo "$work/hold"
timeout 120 "$wineExec" "$exe" --version >/dev/null || exit $?  # 77: this machine cannot run it
"$loader" cmd /c pause <"$work/hold" >/dev/null 2>&1 &
holder=$!
exec 3>"$work/hold"
cleanup() {
  swrctl service remove >/dev/null 2>&1
  exec 3>&-
  for _ in $(seq 50); do
    kill -0 "$holder" 2>/dev/null || break
    sleep 0.1
  done
  kill "$holder" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
rm -rf "$data"
swrctl service remove >/dev/null 2>&1  # left over from an interrupted run

out=$(swrctl service install --listen 127.0.0.1:0) || fail "install: $out"
echo "$out"
registry || fail "install left no service in the registry"
image=$(timeout 90 "$loader" reg query "$key" /v ImagePath 2>/dev/null | tr -d '\r')
windowsExe=$(timeout 90 "$loader" winepath -w "$exe" 2>/dev/null | tr -d '\r')
case "$image" in
  *"$windowsExe service run --listen 127.0.0.1:0 --token-file C:\ProgramData\swrpanel\token.txt") ;;
  *) fail "the service's command line: $image" ;;
esac
out=$(swrctl service install) && fail "a second install: $out"
swrctl service status | grep -qx 'swrctl-serve: stopped.*' || fail "status after install"

out=$(swrctl service start) || fail "start: $out"
echo "$out"
swrctl service status | grep -qx 'swrctl-serve: running (process [0-9]*)' || fail "status after start"
port=
for _ in $(seq 600); do  # up to 60 s: a service's start under Wine on a loaded machine
  port=$(sed -n 's|.*serving the meter at http://127.0.0.1:\([0-9]*\)/#token=.*|\1|p' \
           "$data/swrctl-serve.log" 2>/dev/null | tail -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "no address in the service's log"
if [ -n "$port" ]; then
  # The server answers before its device loop has found the controller.
  connected=
  for _ in $(seq 120); do
    http GET /api/v1/status | grep -q '"connected":true' && { connected=1; break; }
    sleep 0.5
  done
  [ -n "$connected" ] || fail "GET /api/v1/status: not connected within 60 s"
  token=$(tr -d '\r\n' <"$data/token.txt")
  http POST /api/v1/commands "$token" | grep -q '"sent":"00 03 02' ||
    fail "a command with the token from the service's token file"
  http POST /api/v1/commands wrong-token-wrong-token | grep -q '^HTTP/1.1 401' ||
    fail "a command with a wrong token"
fi

out=$(swrctl service stop) || fail "stop: $out"
echo "$out"
swrctl service status | grep -qx 'swrctl-serve: stopped' || fail "status after stop"
[ -n "$port" ] && http GET /api/v1/status >/dev/null 2>&1 && fail "still serving after stop"
grep -q 'swrctl: stopped serving' "$data/swrctl-serve.log" || fail "the log does not show the stop"

out=$(swrctl service remove) || fail "remove: $out"
echo "$out"
registry && fail "the service is still in the registry after remove"
swrctl service status | grep -qx 'swrctl-serve: not installed' || fail "status after remove"
out=$(swrctl service remove) && fail "a second remove: $out"

[ "$failures" -eq 0 ] && echo "PASS"
exit $((failures > 0))
