#!/usr/bin/env bash
# Builds and starts the demo panel (the program with its built-in simulated
# controller): natively where the Linux panel exists, otherwise the Windows
# demo under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native -j "$(nproc)"
if [ -x build/native/app/swrpanel-demo ]; then
  exec build/native/app/swrpanel-demo
fi

cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$(nproc)"
if [ -f build/win64/app/swrpanel-demo.exe ]; then
  export WINEPREFIX="$PWD/build/win64/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
  exec wine build/win64/app/swrpanel-demo.exe
fi
echo "The panel is not built yet: the libraries and tests are in build/." >&2
