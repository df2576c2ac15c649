#!/usr/bin/env bash
# Makes the two release packages from the built native, win64 and win32
# trees and puts them into build/package/:
#   swrpanel_<version>_amd64.deb       (CPack, from build/native)
#   swrpanel-<version>-windows.zip     (from build/win64 and build/win32)
#   swrpanel-<version>-x64.msi         (wixl, from build/win64)
#   swrpanel-<version>-x86.msi         (wixl, from build/win32)
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/package
rm -rf "$out"
mkdir -p "$out"
cpack --config build/native/CPackConfig.cmake -B "$out/deb" >"$out/cpack.log" 2>&1 ||
  { cat "$out/cpack.log" >&2; exit 1; }
cmake --build --preset win64 --target windows_zip >"$out/zip.log" 2>&1 ||
  { cat "$out/zip.log" >&2; exit 1; }
for tree in win64 win32; do
  cmake --build --preset $tree --target windows_msi >"$out/msi-$tree.log" 2>&1 ||
    { cat "$out/msi-$tree.log" >&2; exit 1; }
done
mv "$out"/deb/*.deb "$out"/
mv build/win64/packaging/swrpanel-*-windows.zip "$out"/
cp build/win64/packaging/swrpanel-*-x64.msi build/win32/packaging/swrpanel-*-x86.msi "$out"/
rm -rf "$out/deb"
ls -l "$out"/*.deb "$out"/*.zip "$out"/*.msi | awk '{ print $5, $9 }'
