#!/usr/bin/env bash
# Runs the Windows program as shipped under Wine, against the stand-in
# setupapi.dll and hid.dll, with the driver playing the user.
#
#   run-suite.sh PROGRAM.exe DRIVER.exe STANDIN_DIR WORK_DIR [driver options]
#
# The driver options pick the cases for the program (--cases swrctl for the
# command-line companion). Every program tested in WORK_DIR shares its
# prefix; screenshots go to WORK_DIR/screenshots/<program name>.
#
# Everything runs on an Xvfb display of its own, inside a Wine virtual
# desktop, in a Wine prefix under WORK_DIR. Only the processes started here
# are stopped at the end (the Xvfb by its id, the prefix's own wineserver).
# Exit status: 0 passed, 1 failed, 77 skipped (cannot run here).
set -u
program=$1 driver=$2 standins=$3 work=$4
shift 4

if [ ! -f "$program" ]; then
  echo "SKIPPED: $(basename "$program") is not built yet ($program)"
  exit 77
fi
command -v file >/dev/null || { echo "file is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }
arch() {
  case "$(file -b "$1")" in
    *PE32+*) echo x86-64 ;;
    *PE32*) echo x86 ;;
    *) echo none ;;
  esac
}
case "$(arch "$program")" in
  x86-64) loader=/usr/lib/wine/wine64 sysdir=system32 ;;
  x86) loader=/usr/lib/wine/wine sysdir=syswow64 ;;
  *) echo "not a Windows executable: $program" >&2; exit 2 ;;
esac
if ! "$loader" --version >/dev/null 2>&1; then
  echo "SKIPPED: $(basename "$program") needs $loader, which cannot start on this machine" \
       "(this kernel runs no 32-bit x86 Linux programs, so 32-bit Wine is unavailable)"
  exit 77
fi
command -v Xvfb >/dev/null || { echo "Xvfb is not installed (scripts/install-deps.sh installs it)" >&2; exit 1; }

# The stand-ins go into the program's system directory and the driver runs
# threads in the program: all of them must be of the program's architecture.
for part in "$driver" "$standins/hid.dll" "$standins/setupapi.dll"; do
  if [ "$(arch "$part")" != "$(arch "$program")" ]; then
    echo "FAIL: $(basename "$program") is $(arch "$program") but $part is $(arch "$part"): use the parts of the program's own build"
    exit 1
  fi
done

mkdir -p "$work"
work=$(cd "$work" && pwd)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
unset WINESERVER
wineserver=/usr/lib/wine/wineserver
exe_name=$(basename "$program")
shots="$work/screenshots/${exe_name%.exe}"
rm -rf "$shots" && mkdir -p "$shots"
started=$(date +%s)

xvfb_pid=
restore_dlls() {
  for dll in hid setupapi; do
    [ -f "$work/original/$dll.dll" ] && cp -f "$work/original/$dll.dll" "$WINEPREFIX/drive_c/windows/$sysdir/$dll.dll"
  done
}
cleanup() {
  # Ends every process of this prefix: all of them were started by this run.
  # Only then are the libraries put back (a running process maps them).
  timeout 20 "$wineserver" -k >/dev/null 2>&1
  restore_dlls
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# A display of our own: Xvfb picks a free number and writes it to fd 5.
rm -f "$work/display"
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 600); do  # up to 60 s on a loaded machine
  grep -q . "$work/display" 2>/dev/null && break
  sleep 0.1
done
display=$(head -n1 "$work/display" 2>/dev/null)
if [ -z "$display" ]; then
  echo "FAIL: Xvfb did not start (see $work/xvfb.log)"
  exit 1
fi
export DISPLAY=":$display"

# The prefix is made once and kept; Wine's own services start without the
# stand-ins (they must load the real libraries).
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "making the Wine prefix $WINEPREFIX (once)"
fi
timeout 300 "$loader" wineboot >/dev/null 2>&1
"$loader" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
"$loader" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
# A crash ends the crashed process instead of waiting in a crash dialog that
# nobody sees on this display.
"$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
# The stand-ins are chosen for the program under test alone, by its name
# (WINEDLLOVERRIDES in its environment is honoured for libraries loaded at
# run time but not for the ones it imports, so the per-program registry
# entries do the selecting).
for dll in hid setupapi; do
  "$loader" reg add "HKCU\\Software\\Wine\\AppDefaults\\$exe_name\\DllOverrides" /v $dll /d native /f >/dev/null 2>&1
done
mkdir -p "$work/original"
for dll in hid setupapi; do
  [ -f "$work/original/$dll.dll" ] || cp "$WINEPREFIX/drive_c/windows/$sysdir/$dll.dll" "$work/original/$dll.dll"
  cp -f "$standins/$dll.dll" "$WINEPREFIX/drive_c/windows/$sysdir/$dll.dll"
done

winpath() { echo "Z:$(echo "$1" | sed 's|/|\\|g')"; }
# The driver keeps to its own budgets (a group 90 s, the suite 300 s); this
# bound only catches a driver that hangs itself.
limit=420
timeout -k 10 $limit "$loader" "$driver" --program "$(winpath "$(cd "$(dirname "$program")" && pwd)/$(basename "$program")")" \
  --shots "$(winpath "$shots")" "$@"
status=$?
[ $status -eq 124 ] || [ $status -eq 137 ] && { echo "FAIL: the driver did not end within $limit s"; status=1; }

if command -v convert >/dev/null; then
  for bmp in "$shots"/*.bmp; do
    [ -f "$bmp" ] && convert "$bmp" "${bmp%.bmp}.png" 2>/dev/null && rm -f "$bmp"
  done
fi
if ls "$shots"/* >/dev/null 2>&1; then
  echo "screenshots: $shots"
  ls "$shots" | sed 's/^/  /'
fi
rmdir "$shots" 2>/dev/null  # none taken (a console program)
echo "suite time: $(( $(date +%s) - started )) s"
exit $status
