#!/bin/sh
# Installs the build into a staging directory (DESTDIR) and checks that the
# desktop installation is complete: programs, menu entry, icons, udev rule.
#
# usage: install_test.sh BUILD_DIRECTORY STAGING_DIRECTORY
set -u
build=$1 stage=$2
rm -rf "$stage"
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null || { echo "FAIL: install" >&2; exit 1; }
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

for program in swrpanel swrpanel-demo; do
  if [ -e "$build/app/$program" ]; then
    [ -x "$stage/usr/bin/$program" ] || fail "$program not installed"
  fi
done

desktop=$stage/usr/share/applications/swrpanel.desktop
[ -f "$desktop" ] || fail "no desktop file"
for line in "Type=Application" "Exec=swrpanel" "Icon=swrpanel" "StartupWMClass=swrpanel"; do
  grep -qx "$line" "$desktop" || fail "desktop file lacks $line"
done

for size in 32 48 64; do
  icon=$stage/usr/share/icons/hicolor/${size}x${size}/apps/swrpanel.png
  # PNG signature, then the IHDR chunk's width and height (big-endian).
  header=$(od -An -tx1 -N24 "$icon" 2>/dev/null | tr -d ' \n')
  expected=$(printf '89504e470d0a1a0a0000000d49484452%08x%08x' "$size" "$size")
  [ "$header" = "$expected" ] || fail "icon ${size}x${size} missing or not a ${size}x${size} PNG"
done

rule=$(find "$stage" -name '70-swrpanel.rules' | head -n 1)
if [ -z "$rule" ]; then
  fail "no udev rule"
else
  grep -v '^#' "$rule" | grep 'SUBSYSTEM=="hidraw"' | grep 'ATTRS{idVendor}=="aaab"' |
    grep 'ATTRS{idProduct}=="ef02"' | grep -q 'TAG+="uaccess"' || fail "udev rule does not grant access to aaab:ef02"
fi

[ $failures -eq 0 ] && echo "staged installation complete"
exit $((failures > 0))
