#!/usr/bin/env bash
# Runs the benchmark programs of the native build, then the Windows ones of
# the win64 build under Wine (in that build's own Wine prefix).
set -euo pipefail
cd "$(dirname "$0")/.."
for b in build/native/bench/*_bench; do
  case "$(basename "$b")" in log_bench | qso_bench) continue ;; esac
  [ -x "$b" ] && "$b"
done
# The station log: a busy year generated into build/native/bench/log_bench.db.
busy=build/native/bench/log_bench.db
[ -x build/native/bench/log_bench ] && build/native/bench/log_bench "$busy"
# QSOs and ADIF: a year of them, and swrctl adif fill as the user runs it.
[ -x build/native/bench/qso_bench ] && build/native/bench/qso_bench \
  build/native/tools/swrctl/swrctl build/native/bench
if command -v node >/dev/null && [ -x build/native/tools/swrctl/swrctl-demo ]; then
  node bench/serve_bench.mjs build/native/tools/swrctl/swrctl-demo
  node bench/serve_resources.mjs build/native/tools/swrctl/swrctl-demo
  node bench/log_serve_bench.mjs build/native/tools/swrctl/swrctl-demo "$busy"
  command -v rigctld >/dev/null && node bench/rig_bench.mjs build/native/tools/swrctl/swrctl-demo
  command -v rigctld >/dev/null && node bench/alarm_halt_bench.mjs build/native/tools/swrctl/swrctl-demo
  [ -x /usr/sbin/mosquitto ] && node bench/mqtt_bench.mjs build/native/tools/swrctl/swrctl-demo
fi
export WINEPREFIX="$PWD/build/win64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
for b in build/win64/bench/*_bench.exe; do
  [ -f "$b" ] || continue
  if [ ! -d "$WINEPREFIX" ]; then
    /usr/lib/wine/wine64 wineboot -u >/dev/null 2>&1 || true
    wineserver -w
  fi
  scripts/wine-exec.sh "$b"
  wineserver -w
done
