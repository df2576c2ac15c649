#!/usr/bin/env bash
# SQLite for the Windows builds: Debian's own source package (fetched by
# fetch-debian-source.sh), turned into the single-file amalgamation sqlite3.c
# with Debian's tcl. The result lands in build/debian-source/sqlite3-amalgamation/
# and that directory is printed; a second call only prints it again.
#
# usage: scripts/sqlite-amalgamation.sh
# On failure: one line naming the package on stderr, exit status 1.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
out=$top/build/debian-source/sqlite3-amalgamation
log=$out.log

if [ -f "$out/sqlite3.c" ] && [ -f "$out/sqlite3.h" ]; then
  echo "$out"
  exit 0
fi
tree=$("$top/scripts/fetch-debian-source.sh" sqlite3) || exit 1
fail() {
  echo "swrpanel: cannot make SQLite's amalgamation from Debian's source package sqlite3 (see $log)" >&2
  exit 1
}
# The amalgamation is made with this machine's own compiler and tcl. CMake
# hands its compilers down in CC and CXX (the mingw-w64 ones when a Windows
# build calls this): configure must not take them.
unset CC CXX CPP CFLAGS CXXFLAGS CPPFLAGS LDFLAGS
command -v tclsh >/dev/null || { echo "tclsh missing (tcl)" > "$log"; fail; }
work=$out.work
rm -rf "$work" "$out"
mkdir -p "$work"
(cd "$work" && "$tree/configure" --disable-tcl >"$log" 2>&1 && make sqlite3.c >>"$log" 2>&1) || fail
mkdir -p "$out"
cp "$work/sqlite3.c" "$work/sqlite3.h" "$out/"
rm -rf "$work"
echo "$out"
