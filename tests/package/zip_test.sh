#!/usr/bin/env bash
# Builds the Windows zip (target windows_zip of the 64-bit tree, which takes
# the 32-bit programs from the win32 tree) and checks it as a user gets it:
# the exact file list, each program's processor, subsystem, imports and
# version block, the two texts, and swrctl.exe and swrctl32.exe answering
# --version under Wine.
#
# usage: zip_test.sh WIN64_BUILD_DIRECTORY ZIP VERSION WINE_EXEC
set -u
build=$1 zip=$2 version=$3 wine_exec=$4
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

rm -f "$zip"
if ! cmake --build "$build" --target windows_zip >"$build/windows_zip.log" 2>&1; then
  cat "$build/windows_zip.log" >&2
  echo "FAIL: cannot build the zip (are the win64 and win32 presets built?)" >&2
  exit 1
fi
[ "$(basename "$zip")" = "swrpanel-$version-windows.zip" ] || fail "zip is named $(basename "$zip")"
[ -f "$zip" ] || { echo "FAIL: no $zip" >&2; exit 1; }
echo "-- $(basename "$zip"): $(stat -c %s "$zip") bytes"

expected="LICENSE
README.txt
THIRD-PARTY-NOTICES.txt
grafana-dashboard.json
swrctl.exe
swrctl32.exe
swrpanel.exe
swrpanel32.exe"
actual=$(unzip -Z1 "$zip" | sort)
[ "$actual" = "$expected" ] || { fail "file list differs (< expected, > zip):"; diff <(echo "$expected") <(echo "$actual") >&2; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
unzip -q "$zip" -d "$out" || fail "unzip"

# Little-endian unsigned integer of WIDTH bytes at OFFSET of FILE.
le() { od -An -tu"$3" -j "$2" -N "$3" --endian=little "$1" | tr -d ' '; }

# program machine subsystem: 0x8664 x86-64, 0x14c x86; 2 GUI, 3 console.
while read -r exe machine subsystem; do
  f=$out/$exe
  [ -f "$f" ] || continue
  pe=$(le "$f" 60 4)
  [ "$(od -An -c -j "$pe" -N 4 "$f" | tr -d ' ')" = 'PE\0\0' ] || { fail "$exe is not a PE file"; continue; }
  [ "$(printf '0x%x' "$(le "$f" $((pe + 4)) 2)")" = "$machine" ] ||
    fail "$exe: machine $(printf '0x%x' "$(le "$f" $((pe + 4)) 2)"), not $machine"
  [ "$(le "$f" $((pe + 24 + 68)) 2)" = "$subsystem" ] || fail "$exe: subsystem $(le "$f" $((pe + 24 + 68)) 2), not $subsystem"
  # Runs on a Windows without the compiler's runtime DLLs.
  imports=$(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z')
  echo "$imports" | grep -E '^(libstdc|libgcc|libwinpthread)' >&2 && fail "$exe needs the compiler's runtime DLLs"
  x86_64-w64-mingw32-objdump -h "$f" | grep -q '\.debug' && fail "$exe carries debug sections"
  strings -el "$f" | grep -qxF "$version" || fail "$exe: no version $version in its version block"
  strings -el "$f" | grep -qxF "${exe%.exe}.exe" || fail "$exe: version block names another program"
done <<'EOF'
swrpanel.exe 0x8664 2
swrpanel32.exe 0x14c 2
swrctl.exe 0x8664 3
swrctl32.exe 0x14c 3
EOF

# Texts for Notepad: Windows line ends, README.txt in UTF-8 with a BOM.
for text in README.txt LICENSE THIRD-PARTY-NOTICES.txt; do
  f=$out/$text
  [ -f "$f" ] || continue
  [ "$(grep -c $'\r$' "$f")" = "$(wc -l < "$f")" ] || fail "$text has lines without CR LF"
done
[ "$(od -An -tx1 -N3 "$out/README.txt" | tr -d ' ')" = efbbbf ] || fail "README.txt has no UTF-8 byte order mark"
for word in "swrpanel $version" Русский English swrpanel32.exe swrctl32.exe LICENSE "swrctl service install"; do
  grep -qF "$word" "$out/README.txt" || fail "README.txt lacks '$word'"
done
grep -q '^MIT License' "$out/LICENSE" || fail "LICENSE is not the MIT licence"
for package in mingw-w64-common gcc-mingw-w64-base mosquitto; do
  grep -q "^==== $package " "$out/THIRD-PARTY-NOTICES.txt" || fail "THIRD-PARTY-NOTICES.txt lacks $package"
done
grep -q 'EPL-2.0' "$out/THIRD-PARTY-NOTICES.txt" || fail "THIRD-PARTY-NOTICES.txt lacks libmosquitto's licence"

# Both swrctl programs start under Wine.
for exe in swrctl.exe swrctl32.exe; do
  answer=$("$wine_exec" "$out/$exe" --version 2>"$out/wine.err")
  status=$?
  answer=$(printf '%s' "$answer" | tr -d '\r')
  if [ "$status" -ne 0 ] || [ "$answer" != "swrctl $version" ]; then
    cat "$out/wine.err" >&2
    fail "$exe --version under Wine: exit $status, '$answer'"
  fi
done

[ $failures -eq 0 ] && echo "zip $(basename "$zip") complete"
exit $((failures > 0))
