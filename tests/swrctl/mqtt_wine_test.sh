#!/bin/bash
# A Windows swrctl-demo serve --mqtt under Wine against a real broker
# (Debian's mosquitto on a loopback port of its own): discovery documents
# and readings published, a command from a set topic giving the panel's
# bytes on the simulated controller, and the broker's restart survived.
# Usage: mqtt_wine_test.sh WINE_EXEC SWRCTL_DEMO_EXE
serve_cmd=("$1" "$2")
# shellcheck source=mqtt_broker_lib.sh
source "$(dirname "$0")/mqtt_broker_lib.sh"

start_serve --no-http
wait_for test/meter/availability online 60
sub -t 'homeassistant/+/test_meter/+/config' -W 3 >"$dir/discovery" 2>/dev/null
[ "$(wc -l <"$dir/discovery")" -eq 21 ] || fail "$(wc -l <"$dir/discovery") discovery documents, not 21"
# Readings once the device loop has found the controller (slow under Wine).
wait_for test/meter/link connected 60
first 30 -t test/meter/reading | grep -q '"power_value"' || fail "no reading"

# blocking on, as the panel's menu sends it.
control clear >/dev/null
listen "$dir/answer" -t test/meter/result -C 1 -W 60
pub -t test/meter/set/blocking -m ON
wait $listener
grep -qF '{"ok":true,"command":"blocking","sent":"00 08 01 00 00 00 00 00 00"' "$dir/answer" ||
  fail "no result for blocking ON: $(cat "$dir/answer")"
[ "$(control received)" = "received 00 08 01 00 00 00 00 00 00" ] ||
  fail "the controller got '$(control received)'"

kill -TERM "$broker_pid"; wait "$broker_pid" 2>/dev/null
sleep 1
start_broker || fail "mosquitto did not start again"
wait_for test/meter/availability online 60
first 30 -t test/meter/reading | grep -q '"power_value"' || fail "no readings after the broker came back"
echo ok
