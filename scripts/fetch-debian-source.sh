#!/usr/bin/env bash
# Fetches one of Debian's source packages for the Windows builds, which need
# libraries that Debian ships for Linux only. The source comes from this
# machine's own Debian mirror: the deb-src entries are made from its apt
# sources and kept under build/, and apt checks the mirror's signature and
# every file's checksum as for any package. The unpacked tree lands in
# build/debian-source/PACKAGE/ and its path is printed; a second call only
# prints it again.
#
# usage: scripts/fetch-debian-source.sh PACKAGE
# On failure: one line naming the package on stderr, exit status 1.
set -euo pipefail

pkg=${1:?usage: scripts/fetch-debian-source.sh PACKAGE}
top=$(cd "$(dirname "$0")/.." && pwd)
root=$top/build/debian-source
dest=$root/$pkg
apt_dir=$root/apt
log=$root/$pkg.log

fail() {
  echo "swrpanel: cannot fetch Debian's source package $pkg (see $log)" >&2
  exit 1
}

if [ -f "$dest/.tree" ]; then
  cat "$dest/.tree"
  exit 0
fi
if [ "$(id -u)" -eq 0 ]; then SUDO=(); else SUDO=(sudo); fi
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
: > "$log"

# deb-src entries for every Debian (binary) entry apt reads on this machine.
{
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    # One stanza at a time: keep those of type deb on a Debian URI.
    awk 'BEGIN { RS = ""; FS = "\n" }
         { deb = 0; debian = 0; out = ""
           for (i = 1; i <= NF; i++) {
             line = $i
             if (line ~ /^Types:/) { if ((" " line " ") ~ / deb /) deb = 1; line = "Types: deb-src" }
             if (line ~ /^URIs:/ && line ~ /debian/) debian = 1
             out = out line "\n"
           }
           if (deb && debian) printf "%s\n", out }' "$f"
  done
} > "$apt_dir/sources.list.d/debian-src.sources"
cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null \
  | awk '$1 == "deb" && /debian/ { $1 = "deb-src"; print }' > "$apt_dir/sources.list" || true
if [ ! -s "$apt_dir/sources.list.d/debian-src.sources" ] && [ ! -s "$apt_dir/sources.list" ]; then
  echo "no Debian entries in /etc/apt" >> "$log"
  fail
fi

apt_opts=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root"
)
command -v dpkg-source >/dev/null || { echo "dpkg-source missing (dpkg-dev)" >> "$log"; fail; }
"${SUDO[@]}" apt-get "${apt_opts[@]}" update -q >> "$log" 2>&1 || fail

rm -rf "$dest"
mkdir -p "$dest"
(cd "$dest" && "${SUDO[@]}" apt-get "${apt_opts[@]}" source -q "$pkg") >> "$log" 2>&1 || fail
tree=$(find "$dest" -mindepth 1 -maxdepth 1 -type d | head -n 1)
[ -n "$tree" ] || fail
echo "$tree" > "$dest/.tree"
echo "$tree"
