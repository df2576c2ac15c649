#!/usr/bin/env bash
# Builds the Debian package from a built tree with CPack and checks it as a
# user gets it: control fields, the exact file list with modes, the unpacked
# files, the maintainer scripts, lintian; and, when run as root with dpkg and
# nothing of the package on the machine yet, a real installation and purge
# (the purge also runs when a check fails).
#
# usage: deb_test.sh BUILD_DIRECTORY WORK_DIRECTORY VERSION
set -u
build=$1 work=$2 version=$3
here=$(cd "$(dirname "$0")" && pwd)
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
note() { echo "-- $*"; }

rm -rf "$work"
mkdir -p "$work"
if ! cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack" >&2
  exit 1
fi
deb=$work/out/swrpanel_${version}_amd64.deb
[ -f "$deb" ] || { echo "FAIL: no $deb" >&2; ls "$work/out" >&2; exit 1; }
note "$(basename "$deb"): $(stat -c %s "$deb") bytes"

# --- control fields
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = swrpanel ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', not $version"
[ "$(field Architecture)" = amd64 ] || fail "Architecture is '$(field Architecture)'"
[ "$(field Section)" = hamradio ] || fail "Section is '$(field Section)'"
field Maintainer | grep -Eq '^[^<]+ <[^@ ]+@[^> ]+>$' || fail "Maintainer '$(field Maintainer)' is not 'name <address>'"
# Computed from the programs' shared libraries, never written by hand.
depends=$(field Depends)
for lib in libc6 libfltk1.3 libstdc++6 libx11-6; do
  echo "$depends" | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qxF "$lib" || fail "Depends lacks $lib: $depends"
done
description=$(field Description)
[ "$(echo "$description" | head -n 1)" = "indicator for a USB SWR and power meter controller" ] ||
  fail "summary is '$(echo "$description" | head -n 1)'"
[ "$(echo "$description" | wc -l)" -ge 5 ] || fail "no long description"

# --- the exact file list: type and mode, owner, path (directories aside)
expected=$(cat <<'EOF'
-rwxr-xr-x root/root ./usr/bin/swrctl
-rwxr-xr-x root/root ./usr/bin/swrctl-demo
-rwxr-xr-x root/root ./usr/bin/swrpanel
-rwxr-xr-x root/root ./usr/bin/swrpanel-demo
-rw-r--r-- root/root ./usr/lib/systemd/system/swrctl-serve.service
-rw-r--r-- root/root ./usr/lib/udev/rules.d/70-swrpanel.rules
-rw-r--r-- root/root ./usr/share/applications/swrpanel.desktop
-rw-r--r-- root/root ./usr/share/doc/swrpanel/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/swrpanel/copyright
-rw-r--r-- root/root ./usr/share/icons/hicolor/32x32/apps/swrpanel.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/48x48/apps/swrpanel.png
-rw-r--r-- root/root ./usr/share/icons/hicolor/64x64/apps/swrpanel.png
lrwxrwxrwx root/root ./usr/share/man/man1/swrctl-demo.1.gz -> swrctl.1.gz
-rw-r--r-- root/root ./usr/share/man/man1/swrctl.1.gz
lrwxrwxrwx root/root ./usr/share/man/man1/swrpanel-demo.1.gz -> swrpanel.1.gz
-rw-r--r-- root/root ./usr/share/man/man1/swrpanel.1.gz
-rw-r--r-- root/root ./usr/share/swrpanel/grafana/swrpanel-dashboard.json
EOF
)
listing=$(dpkg-deb -c "$deb")
actual=$(echo "$listing" | grep -v '^d' | awk '{ $3 = $4 = $5 = ""; print }' | tr -s ' ' | sort)
if [ "$actual" != "$(echo "$expected" | sort)" ]; then
  fail "file list differs (< expected, > package):"
  diff <(echo "$expected" | sort) <(echo "$actual") >&2
fi
echo "$listing" | grep '^d' | grep -v '^drwxr-xr-x root/root ' >&2 && fail "a directory is not 0755 root/root"
echo "$listing" | grep -q ' \./etc/' && fail "files under /etc would need to be conffiles"

# --- the unpacked files
root=$work/root
dpkg-deb -x "$deb" "$root" || fail "dpkg-deb -x"
for program in swrpanel swrpanel-demo swrctl swrctl-demo; do
  file -b "$root/usr/bin/$program" | grep -q 'ELF 64-bit.*x86-64.*, stripped' ||
    fail "$program is not a stripped x86-64 program: $(file -b "$root/usr/bin/$program")"
done
[ "$("$root/usr/bin/swrctl" --version)" = "swrctl $version" ] || fail "swrctl --version is not 'swrctl $version'"
# roff writes a minus as \-
man=$(gzip -dc "$root/usr/share/man/man1/swrctl.1.gz" | sed 's/\\-/-/g') || fail "swrctl.1.gz is not gzip"
for word in '.SH NAME' status watch select power swr blocking -- --follow --version; do
  echo "$man" | grep -qF -- "$word" || fail "man page of swrctl lacks '$word'"
done
echo "$man" | grep -qF "$version" || fail "man page of swrctl lacks the version"
gzip -dc "$root/usr/share/man/man1/swrpanel.1.gz" | grep -q '^\.SH NAME' || fail "no man page of swrpanel"
unit=$root/usr/lib/systemd/system/swrctl-serve.service
grep -qx 'ExecStart=/usr/bin/swrctl serve' "$unit" || fail "unit does not start /usr/bin/swrctl serve"
for line in DynamicUser=yes SupplementaryGroups=plugdev ProtectSystem=strict NoNewPrivileges=yes \
            CapabilityBoundingSet= 'DeviceAllow=char-hidraw rw' WantedBy=multi-user.target; do
  grep -qxF "$line" "$unit" || fail "unit lacks $line"
done
grep -Eq '@[A-Z_]+@' "$unit" && fail "unit has an unconfigured @variable@"
# systemd's own reading of the unit (every key known), with a program that
# exists here in place of the one not installed.
if command -v systemd-analyze >/dev/null 2>&1; then
  sed 's|^ExecStart=/usr/bin/swrctl |ExecStart=/bin/true |' "$unit" > "$work/swrctl-serve.service"
  verdict=$(cd "$work" && timeout 60 systemd-analyze verify --man=no "$work/swrctl-serve.service" 2>&1)
  [ $? -eq 0 ] && [ -z "$verdict" ] || fail "systemd-analyze verify: $verdict"
fi
grep -q 'TAG+="uaccess"' "$root/usr/lib/udev/rules.d/70-swrpanel.rules" || fail "udev rule lacks uaccess"
grep -q '^License: Expat' "$root/usr/share/doc/swrpanel/copyright" || fail "copyright does not name the licence"
gzip -dc "$root/usr/share/doc/swrpanel/changelog.gz" | head -n 1 | grep -qF "swrpanel ($version)" ||
  fail "changelog does not start with version $version"

# --- maintainer scripts: they finish on machines without udev or systemd,
# and with a udev that fails (a chroot), and reload udev's rules when it works.
control=$work/control
dpkg-deb -e "$deb" "$control" || fail "dpkg-deb -e"
fake=$work/fakebin
mkdir -p "$fake"
printf '#!/bin/sh\necho "$*" >> "%s/udevadm.calls"\nexit ${UDEVADM_STATUS:-0}\n' "$work" > "$fake/udevadm"
# systemctl and deb-systemd-invoke stand in too, so that the scripts never
# act on this machine.
printf '#!/bin/sh\nexit 0\n' > "$fake/systemctl"
cp "$fake/systemctl" "$fake/deb-systemd-invoke"
chmod 755 "$fake/udevadm" "$fake/systemctl" "$fake/deb-systemd-invoke"
nofake=$work/noudev
mkdir -p "$nofake"
for tool in sh grep; do ln -sf "$(command -v $tool)" "$nofake/$tool"; done
ln -sf "$fake/systemctl" "$fake/deb-systemd-invoke" "$nofake/"
while read -r script args; do
  [ -x "$control/$script" ] || { fail "$script missing or not executable"; continue; }
  sh -n "$control/$script" || fail "$script: syntax"
  PATH=$nofake sh "$control/$script" $args || fail "$script $args fails without udevadm"
  PATH=$fake:$nofake UDEVADM_STATUS=1 sh "$control/$script" $args || fail "$script $args fails when udevadm fails"
  rm -f "$work/udevadm.calls"
  PATH=$fake:$nofake sh "$control/$script" $args || fail "$script $args fails with udevadm"
  case $script in
    postinst|postrm)
      grep -qx 'control --reload-rules' "$work/udevadm.calls" 2>/dev/null ||
        fail "$script $args does not reload udev's rules" ;;
  esac
done <<'EOF'
postinst configure
postinst configure 0.9.0
prerm remove
postrm remove
postrm purge
EOF

grep -Eqw 'enable|start' "$control/postinst" "$control/postrm" && fail "a maintainer script enables or starts swrctl-serve"

# --- lintian: errors fail, warnings are listed
if command -v lintian >/dev/null 2>&1; then
  lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
  grep '^E:' "$work/lintian.log" >&2 && fail "lintian reports errors"
  grep '^W:' "$work/lintian.log" | sed 's/^/-- lintian /'
else
  fail "lintian is not installed (scripts/install-deps.sh installs it)"
fi

# --- a real installation, when the machine allows it and nothing of ours
# is there to overwrite
installed=0
purge() {
  if [ $installed -eq 1 ]; then
    dpkg_locked --purge swrpanel >"$work/purge.log" 2>&1 || { cat "$work/purge.log" >&2; echo "FAIL: purge" >&2; }
    installed=0
  fi
}
# dpkg refuses at once while another dpkg or apt holds its lock: wait a while.
dpkg_locked() {
  local tries=60 status
  while :; do
    dpkg "$@" 2>"$work/dpkg.err" && return 0
    status=$?
    tries=$((tries - 1))
    if [ $tries -le 0 ] || ! grep -q 'lock' "$work/dpkg.err"; then
      cat "$work/dpkg.err" >&2
      return $status
    fi
    sleep 2
  done
}
trap purge EXIT
trap 'purge; exit 1' INT TERM

why=
if [ "$(id -u)" -ne 0 ]; then why="not root"
elif ! command -v dpkg >/dev/null 2>&1; then why="no dpkg"
elif dpkg-query -W -f='${Status}' swrpanel 2>/dev/null | grep -q installed; then why="swrpanel is installed already"
else
  for path in $(echo "$expected" | awk '{ print $3 }'); do
    [ -e "${path#.}" ] || [ -L "${path#.}" ] && { why="${path#.} exists already"; break; }
  done
fi
if [ -n "$why" ]; then
  note "real installation skipped: $why"
else
  if dpkg_locked -i "$deb" >"$work/install.log" 2>&1; then
    installed=1
  else
    installed=1  # half-installed: the purge cleans up
    cat "$work/install.log" >&2
    fail "dpkg -i"
  fi
  if [ $failures -ne 0 ]; then
    note "installed programs not checked: the package failed above"
  else
    for program in swrpanel swrpanel-demo swrctl swrctl-demo; do
      [ "$(command -v $program)" = "/usr/bin/$program" ] || fail "$program is not on PATH as /usr/bin/$program"
    done
    status=$(swrctl-demo status 2>&1) || fail "swrctl-demo status exits $?: $status"
    echo "$status" | grep -qx 'controller: connected' || fail "swrctl-demo status says: $status"
    [ "$(swrctl --version)" = "swrctl $version" ] || fail "installed swrctl --version"
    ls /etc/systemd/system/*/swrctl-serve.service >/dev/null 2>&1 && fail "swrctl-serve is enabled"
    dpkg -V swrpanel || fail "dpkg -V finds changed files"
  fi
  purge
  dpkg-query -W swrpanel >/dev/null 2>&1 && fail "swrpanel still known to dpkg after the purge"
  for path in $(echo "$expected" | awk '{ print $3 }'); do
    [ -e "${path#.}" ] || [ -L "${path#.}" ] && fail "${path#.} left after the purge"
  done
  [ -e /usr/share/doc/swrpanel ] && fail "/usr/share/doc/swrpanel left after the purge"
  note "installed with dpkg, checked, purged"
fi

[ $failures -eq 0 ] && echo "package swrpanel_${version}_amd64.deb complete"
exit $((failures > 0))
